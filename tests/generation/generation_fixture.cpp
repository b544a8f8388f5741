#include "generation/generation_fixture.h"

#include <ole2.h>

#include "generation/completion_window.h"
#include "util/file_io.h"
#include "util/text.h"
#include "util/time_stamps.h"

namespace gentest {
namespace {

void removeTree(const std::wstring& dir) {
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW((dir + L"\\*").c_str(), &fd);
  if (h != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = fd.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring full = dir + L"\\" + name;
      if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        removeTree(full);
      else
        DeleteFileW(full.c_str());
    } while (FindNextFileW(h, &fd));
    FindClose(h);
  }
  RemoveDirectoryW(dir.c_str());
}

}  // namespace

const std::string kTime = "2013年7月31日8时5分9秒";

std::string itemAnswer(const std::string& itemElements) {
  return "<?xml version=\"1.0\" encoding=\"gb2312\"?><item_get_response><item>" + itemElements +
         "</item></item_get_response>";
}

std::string errorAnswer() {
  return "<?xml version=\"1.0\" encoding=\"utf-8\"?><error_response><code>7</code><msg>App Call Limited</msg>"
         "<sub_code>accesscontrol.limited-by-app-access-count</sub_code></error_response>";
}

bool pumpUntil(const std::function<bool()>& done, unsigned timeoutMs) {
  const ULONGLONG end = GetTickCount64() + timeoutMs;
  while (!done()) {
    if (GetTickCount64() > end) return false;
    MainWindow::pumpPending();
    Sleep(5);
  }
  return true;
}

void pumpFor(unsigned ms) {
  const ULONGLONG end = GetTickCount64() + ms;
  while (GetTickCount64() < end) {
    MainWindow::pumpPending();
    Sleep(5);
  }
}

std::vector<std::string> workerLines(const std::string& log) {
  std::vector<std::string> out;
  for (auto& line : text::split(log, "\r\n"))
    if (text::find(line, "线程：") > 0) out.push_back(line);
  return out;
}

std::vector<StartedItem> startedItems(const std::string& log) {
  std::vector<StartedItem> out;
  const std::string marker = "  开始下载 第：";
  for (auto& line : workerLines(log)) {
    const int at = text::find(line, marker);
    if (at < 0) continue;
    const std::string label = kTime + "线程：";
    StartedItem s;
    s.worker = text::leadingInt(line.substr(label.size()));
    s.number = text::leadingInt(line.substr(size_t(at - 1 + marker.size())));
    out.push_back(s);
  }
  return out;
}

void GenerationWindowTest::SetUp() {
  static bool started = false;
  if (!started) {
    OleInitialize(nullptr);  // the window thread's apartment, as the process entry sets it up
    started = true;
  }
  timestamps::setClockSource([] { return timestamps::ClockSnapshot{2013, 7, 3, 31, 8, 5, 9, 0}; });
  state = std::make_unique<AppState>();
  state->ui = &ui;
  state->endpoints.apiHost = server.hostPort();
  state->endpoints.mallItemPageHost = "detail.example";
  state->credentials = {{"key1", "secret1"}, {"key2", "secret2"}};
  state->packageLayoutVersion = 5;
  folder = fileio::runDirectory() + "\\run_" + std::to_string(GetCurrentProcessId());
  fileio::createFolder(folder);
  state->runDirectoryOverride = folder;
  packagePath = folder + "\\pkg.csv";
  state->outputDirectory = folder + "\\";
  state->outputFileStem = "pkg";
  window = std::make_unique<MainWindow>(*state);
  ASSERT_TRUE(window->create(false));
  window->setControlText(kPathBox, packagePath);
  answer([](const std::string&) { return loopback::Reply::text(itemAnswer(""), "text/xml"); });
}

void GenerationWindowTest::TearDown() {
  window.reset();
  server.stop();
  state.reset();
  timestamps::setClockSource({});
  removeTree(text::toWide(folder));
}

void GenerationWindowTest::answer(std::function<loopback::Reply(const std::string&)> handler) {
  server.setHandler([handler](const loopback::RecordedRequest& r) -> std::optional<loopback::Reply> {
    if (r.path != "/router/rest") return std::nullopt;
    return handler(r.queryParam("num_iid").value_or(""));
  });
}

void GenerationWindowTest::addItems(int count) {
  for (int n = 1; n <= count; ++n)
    state->itemList.addItemRow("宝贝" + std::to_string(n), "", "http://item.example/item.htm?id=100" + std::to_string(n),
                               "100" + std::to_string(n));
}

void GenerationWindowTest::click(ControlId id) {
  SendMessageW(window->hwnd(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), LPARAM(window->control(id)));
}

void GenerationWindowTest::tick(ControlId id) {
  if (id == kLayout4 || id == kLayout5)
    SendMessageW(window->control(id == kLayout4 ? kLayout5 : kLayout4), BM_SETCHECK, BST_UNCHECKED, 0);
  SendMessageW(window->control(id), BM_SETCHECK, BST_CHECKED, 0);
  click(id);
}

HWND GenerationWindowTest::completionWindow() {
  HWND found = nullptr;
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND h, LPARAM p) -> BOOL {
        wchar_t name[64] = {};
        GetClassNameW(h, name, 64);
        if (lstrcmpW(name, kCompletionWindowClass) != 0 || !IsWindow(h)) return TRUE;
        *reinterpret_cast<HWND*>(p) = h;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found;
}

HWND GenerationWindowTest::runToCompletion() {
  click(kStartButton);
  EXPECT_TRUE(pumpUntil([this] { return completionWindow() != nullptr && enabled(kStartButton); }));
  return completionWindow();
}

std::vector<std::string> GenerationWindowTest::completionLabels(HWND completion) {
  std::vector<std::string> out;
  for (HWND child = GetWindow(completion, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    wchar_t buffer[256] = {};
    GetWindowTextW(child, buffer, 256);
    out.push_back(text::fromWide(buffer));
  }
  return out;
}

std::string GenerationWindowTest::packageText() { return fileio::readWholeFile(packagePath).value_or("<no file>"); }

std::vector<std::string> GenerationWindowTest::keysFor(const std::string& numIid) {
  std::vector<std::string> keys;
  for (const auto& r : server.requests())
    if (r.queryParam("num_iid").value_or("") == numIid) keys.push_back(r.queryParam("app_key").value_or("?"));
  return keys;
}

}  // namespace gentest
