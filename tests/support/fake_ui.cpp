#include "support/fake_ui.h"

int FakeUiServices::messageBox(HWND, const std::string& text, const std::string& title, unsigned flags) {
  boxes.push_back({text, title, flags});
  if (boxAnswers.empty()) return IDOK;
  int answer = boxAnswers.front();
  boxAnswers.pop_front();
  return answer;
}

std::optional<std::string> FakeUiServices::fileDialog(HWND, const FileDialogRequest& request) {
  dialogs.push_back(request);
  if (dialogAnswers.empty()) return std::nullopt;
  std::optional<std::string> answer = dialogAnswers.front();
  dialogAnswers.pop_front();
  return answer;
}

bool FakeUiServices::shellOpen(const std::string& target) {
  opened.push_back(target);
  return true;
}

bool FakeUiServices::setClipboardText(HWND, const std::string& gbk) {
  clipboard.push_back(gbk);
  return true;
}

std::vector<std::string> FakeUiServices::boxTexts() const {
  std::vector<std::string> out;
  for (const Box& b : boxes) out.push_back(b.text);
  return out;
}
