#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "app/tray_icon.h"
#include "util/text.h"

namespace {

// A plain window whose own procedure records what reaches it.
struct Seen {
  std::vector<UINT> messages;
};
Seen* g_seen = nullptr;

LRESULT CALLBACK recordingProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (g_seen) g_seen->messages.push_back(msg);
  if (msg == WM_DESTROY) return 77;
  return DefWindowProcW(hwnd, msg, wp, lp);
}

struct Shell {
  DWORD action;
  NOTIFYICONDATAW data;
};

class TrayIconTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_seen = &seen;
    WNDCLASSW wc{};
    wc.lpfnWndProc = recordingProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"TrayIconTestWindow";
    RegisterClassW(&wc);
    hwnd = CreateWindowW(L"TrayIconTestWindow", L"t", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                         GetModuleHandleW(nullptr), nullptr);
    icon = LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
    SendMessageW(hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
    tray.setShellNotifier([this](DWORD action, const NOTIFYICONDATAW& data) {
      shell.push_back({action, data});
      return true;
    });
    seen.messages.clear();
  }
  void TearDown() override {
    if (IsWindow(hwnd)) DestroyWindow(hwnd);
    g_seen = nullptr;
  }
  int countSeen(UINT msg) const {
    int n = 0;
    for (UINT m : seen.messages) n += m == msg;
    return n;
  }

  Seen seen;
  HWND hwnd = nullptr;
  HICON icon = nullptr;
  std::vector<Shell> shell;
  std::vector<uint32_t> clicks;
  TrayIcon tray;
  const UINT taskbarCreated = RegisterWindowMessageW(L"TaskbarCreated");
};

TEST_F(TrayIconTest, InstallFillsTheRecordAndAddsTheIcon) {
  EXPECT_FALSE(tray.installed());
  tray.install(hwnd, "Quorvane V3.06", [this](uint32_t m) { clicks.push_back(m); }, taskbarCreated);
  EXPECT_TRUE(tray.installed());
  EXPECT_EQ(tray.previousProcedure(), &recordingProc);

  const TrayIconRecord& r = tray.record();
  EXPECT_EQ(r.size, 488u);
  EXPECT_EQ(r.window, hwnd);
  EXPECT_EQ(r.iconNumber, 1u);
  EXPECT_EQ(r.flags, 7u);
  EXPECT_EQ(r.callbackMessage, 123456u);
  EXPECT_EQ(r.icon, icon);
  EXPECT_STREQ(r.tip, "Quorvane V3.06");
  EXPECT_EQ(r.state, 0u);
  EXPECT_STREQ(r.balloonText, "");

  ASSERT_EQ(shell.size(), 1u);
  EXPECT_EQ(shell[0].action, DWORD(NIM_ADD));
  EXPECT_EQ(shell[0].data.hWnd, hwnd);
  EXPECT_EQ(shell[0].data.uID, 1u);
  EXPECT_EQ(shell[0].data.uFlags, 7u);
  EXPECT_EQ(shell[0].data.uCallbackMessage, 123456u);
  EXPECT_EQ(shell[0].data.hIcon, icon);
  EXPECT_STREQ(shell[0].data.szTip, L"Quorvane V3.06");
}

TEST_F(TrayIconTest, SecondInstallReplacesTheTipOnly) {
  tray.install(hwnd, "first", [this](uint32_t m) { clicks.push_back(m); }, taskbarCreated);
  LONG_PTR hooked = GetWindowLongPtrW(hwnd, GWLP_WNDPROC);
  tray.install(hwnd, "第二个提示", nullptr, taskbarCreated);
  EXPECT_EQ(GetWindowLongPtrW(hwnd, GWLP_WNDPROC), hooked);
  EXPECT_EQ(tray.previousProcedure(), &recordingProc);
  EXPECT_STREQ(tray.record().tip, "第二个提示");
  ASSERT_EQ(shell.size(), 2u);
  EXPECT_EQ(shell[1].action, DWORD(NIM_MODIFY));
  EXPECT_EQ(text::fromWide(shell[1].data.szTip), "第二个提示");
  // The first click routine stays.
  SendMessageW(hwnd, TrayIcon::kCallbackMessage, 1, 515);
  EXPECT_EQ(clicks, std::vector<uint32_t>{515});
}

TEST_F(TrayIconTest, TipLongerThanTheBufferIsCutAtACharacterBoundary) {
  std::string tip = "a";
  for (int i = 0; i < 100; ++i) tip += "中";  // 201 bytes
  tray.install(hwnd, tip, nullptr, taskbarCreated);
  EXPECT_EQ(std::string(tray.record().tip), tip.substr(0, 127));
  tray.install(hwnd, "x" + tip, nullptr, taskbarCreated);
  EXPECT_EQ(std::string(tray.record().tip), ("x" + tip).substr(0, 126));  // 127 would split a character
}

TEST_F(TrayIconTest, CallbackGoesToTheClickRoutineAndNoFurther) {
  tray.install(hwnd, "tip", [this](uint32_t m) { clicks.push_back(m); }, taskbarCreated);
  EXPECT_EQ(SendMessageW(hwnd, TrayIcon::kCallbackMessage, 1, 515), 0);
  EXPECT_EQ(SendMessageW(hwnd, TrayIcon::kCallbackMessage, 1, 516), 0);
  EXPECT_EQ(SendMessageW(hwnd, TrayIcon::kCallbackMessage, 1, 512), 0);
  EXPECT_EQ(clicks, (std::vector<uint32_t>{515, 516, 512}));
  EXPECT_EQ(countSeen(TrayIcon::kCallbackMessage), 0);
  // Other messages reach the window's own procedure.
  SendMessageW(hwnd, WM_USER + 5, 0, 0);
  EXPECT_EQ(countSeen(WM_USER + 5), 1);
}

TEST_F(TrayIconTest, WithoutClickRoutineTheCallbackIsPassedOn) {
  tray.install(hwnd, "tip", nullptr, taskbarCreated);
  SendMessageW(hwnd, TrayIcon::kCallbackMessage, 1, 515);
  EXPECT_EQ(countSeen(TrayIcon::kCallbackMessage), 1);
}

TEST_F(TrayIconTest, TaskbarRestartAddsTheIconAgainWithTheSameRecord) {
  tray.install(hwnd, "Quorvane V3.06", nullptr, taskbarCreated);
  SendMessageW(hwnd, taskbarCreated, 0, 0);
  ASSERT_EQ(shell.size(), 2u);
  EXPECT_EQ(shell[1].action, DWORD(NIM_ADD));
  EXPECT_STREQ(shell[1].data.szTip, L"Quorvane V3.06");
  EXPECT_EQ(shell[1].data.uCallbackMessage, 123456u);
  EXPECT_EQ(countSeen(taskbarCreated), 1);  // and passed on
}

TEST_F(TrayIconTest, DestroyRemovesTheIconAndHandsTheMessageOn) {
  tray.install(hwnd, "tip", nullptr, taskbarCreated);
  SendMessageW(hwnd, WM_DESTROY, 0, 0);  // the answer is the previous procedure's
  EXPECT_FALSE(tray.installed());
  EXPECT_EQ(GetWindowLongPtrW(hwnd, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(&recordingProc));
  ASSERT_EQ(shell.size(), 2u);
  EXPECT_EQ(shell[1].action, DWORD(NIM_DELETE));
  EXPECT_EQ(countSeen(WM_DESTROY), 1);

  // Installed again on the same window later works as the first time.
  tray.install(hwnd, "again", nullptr, taskbarCreated);
  EXPECT_TRUE(tray.installed());
  DestroyWindow(hwnd);
  EXPECT_FALSE(tray.installed());
  EXPECT_EQ(shell.back().action, DWORD(NIM_DELETE));
}

TEST_F(TrayIconTest, DestroyAnswersWhatThePreviousProcedureAnswers) {
  tray.install(hwnd, "tip", nullptr, taskbarCreated);
  EXPECT_EQ(SendMessageW(hwnd, WM_DESTROY, 0, 0), 77);
}

}  // namespace
