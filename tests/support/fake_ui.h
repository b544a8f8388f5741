// A UiServices that never blocks: message boxes are recorded and answered from a
// queue, file dialogs answer queued paths, shell opens and clipboard texts are
// recorded. Point AppState::ui at one in a window test.
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "util/ui_services.h"

class FakeUiServices : public UiServices {
 public:
  struct Box {
    std::string text, title;
    unsigned flags = 0;
  };

  // Answers of the next message boxes in turn; IDOK when none is queued.
  std::deque<int> boxAnswers;
  // Answers of the next file dialogs in turn; a cancel (nullopt) when none is queued.
  std::deque<std::optional<std::string>> dialogAnswers;

  std::vector<Box> boxes;
  std::vector<FileDialogRequest> dialogs;
  std::vector<std::string> opened;
  std::vector<std::string> clipboard;

  int messageBox(HWND owner, const std::string& text, const std::string& title, unsigned flags) override;
  std::optional<std::string> fileDialog(HWND owner, const FileDialogRequest& request) override;
  bool shellOpen(const std::string& target) override;
  bool setClipboardText(HWND owner, const std::string& gbk) override;

  // Texts of the boxes shown so far, in order.
  std::vector<std::string> boxTexts() const;
};
