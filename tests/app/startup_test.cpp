#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <thread>

#include "app/startup_window.h"
#include "app/tray_icon.h"
#include "shell_fixture.h"
#include "support/loopback_server.h"
#include "util/time_stamps.h"

namespace {

using shelltest::ShellTest;

const char kCredentialList[] =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n"
    "<apps>\r\n"
    "<app appkey=\"1001\" appsecret=\"s1\" />\r\n"
    "<app appkey=\"1002\" appsecret=\"s2\" />\r\n"
    "</apps>\r\n";

// A fixed clock: 2013-07-31 16:00:00 is 1375257600 seconds after 1970-01-01 08:00.
timestamps::ClockSnapshot fixedTime() {
  timestamps::ClockSnapshot t;
  t.year = 2013, t.month = 7, t.day = 31, t.hour = 16;
  return t;
}

class StartupTest : public ShellTest {
 protected:
  void serveCredentials(loopback::Reply reply) {
    server.setHandler([reply](const loopback::RecordedRequest& r) -> std::optional<loopback::Reply> {
      if (r.path.size() >= 9 && r.path.compare(r.path.size() - 9, 9, "/app3.xml") == 0) return reply;
      return std::nullopt;
    });
    state->endpoints.serviceBase = server.url("/");
  }
  loopback::LoopbackServer server;
};

TEST_F(StartupTest, EndsWithTheMainWindowShownAndTheDefaultPath) {
  serveCredentials(loopback::Reply::text(kCredentialList, "text/xml"));
  timestamps::setClockSource(fixedTime);
  MainWindow& w = makeWindow(true);

  EXPECT_TRUE(IsWindowVisible(w.hwnd()));
  EXPECT_FALSE(w.endRequested());
  EXPECT_EQ(w.startupWindow(), nullptr);  // gone once the main window shows
  EXPECT_TRUE(ui.boxes.empty());
  EXPECT_EQ(state->serviceBaseAddress, server.url("/"));
  ASSERT_EQ(state->credentials.size(), 2u);
  EXPECT_EQ(state->credentials[1].appKey, "1002");

  // The package lies in the run directory itself, named "csv" + seconds.
  EXPECT_EQ(text(kPathBox), runDir.path() + "\\csv1375257600.csv");
  EXPECT_EQ(state->outputDirectory, runDir.path() + "\\");
  EXPECT_EQ(state->outputFileStem, "csv1375257600");

  RECT rc;
  GetWindowRect(w.hwnd(), &rc);
  EXPECT_EQ(rc.right - rc.left, 703);
  EXPECT_EQ(rc.bottom - rc.top, 618);
  GetWindowRect(control(kPages), &rc);
  EXPECT_EQ(rc.bottom - rc.top, 466);

  // Settings loaded (no file: the load's defaults) and the icon installed.
  EXPECT_EQ(state->imageFailureMode, 3);
  EXPECT_EQ(state->packageLayoutVersion, 5);
  ASSERT_TRUE(state->trayIcon);
  EXPECT_TRUE(state->trayIcon->installed());
  EXPECT_STREQ(state->trayIcon->record().tip, "Quorvane V3.06");
  EXPECT_EQ(text(kStatusBar), "版本号：V3.0.6");
}

TEST_F(StartupTest, CredentialFailureReportsAndEndsWithTheWindowHidden) {
  struct Case {
    const char* name;
    loopback::Reply reply;
  } cases[] = {
      {"empty answer", loopback::Reply::text("", "text/xml")},
      {"error page", loopback::Reply::withStatus(
                         500, "Internal Server Error",
                         "<!DOCTYPE html>\r\n<html><head><meta charset=\"utf-8\"><title>Error</title></head>\r\n"
                         "<body><p>Service unavailable<br></body></html>\r\n")},
      {"root without children", loopback::Reply::text("<?xml version=\"1.0\"?>\r\n<apps>\r\n</apps>\r\n", "text/xml")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    state = std::make_unique<AppState>();
    state->ui = &ui;
    state->runDirectoryOverride = runDir.path();
    state->exitCode = 7;
    ui.boxes.clear();
    serveCredentials(c.reply);
    MainWindow& w = makeWindow(true);

    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text, "预定信息 加载失败，请重新启动--");
    EXPECT_EQ(ui.boxes[0].title, "提示");
    EXPECT_EQ(ui.boxes[0].flags & 0xF, unsigned(MB_OK));
    EXPECT_TRUE(w.endRequested());
    EXPECT_EQ(state->exitCode, 0);
    EXPECT_TRUE(shelltest::takeQuitMessage());
    EXPECT_TRUE(IsWindow(w.hwnd()));
    EXPECT_FALSE(IsWindowVisible(w.hwnd()));
    ASSERT_NE(w.startupWindow(), nullptr);
    EXPECT_EQ(w.startupWindow()->label(), "预定信息 加载失败，请重新启动--");
    EXPECT_EQ(w.startupWindow()->progress(), 65);
    // The later steps did not run.
    EXPECT_EQ(text(kPathBox), "");
    EXPECT_FALSE(state->trayIcon && state->trayIcon->installed());
    window.reset();
  }
}

TEST_F(StartupTest, NoServiceAtAllEndsTheSameWay) {
  MainWindow& w = makeWindow(true);  // the fixture's base has nothing listening
  EXPECT_EQ(ui.boxTexts(), std::vector<std::string>{"预定信息 加载失败，请重新启动--"});
  EXPECT_TRUE(w.endRequested());
  EXPECT_FALSE(IsWindowVisible(w.hwnd()));
}

class RunningShellTest : public StartupTest {
 protected:
  void SetUp() override {
    StartupTest::SetUp();
    serveCredentials(loopback::Reply::text(kCredentialList, "text/xml"));
    makeWindow(true);
    ASSERT_TRUE(IsWindowVisible(window->hwnd()));
  }
  HWND main() { return window->hwnd(); }
};

TEST_F(RunningShellTest, CloseBoxHidesAndTheIconBringsTheWindowBack) {
  SendMessageW(main(), WM_CLOSE, 0, 0);
  EXPECT_TRUE(IsWindow(main()));
  EXPECT_FALSE(IsWindowVisible(main()));
  EXPECT_FALSE(window->endRequested());
  EXPECT_FALSE(shelltest::takeQuitMessage());
  EXPECT_TRUE(state->trayIcon->installed());

  ShowWindow(main(), SW_MINIMIZE);
  ShowWindow(main(), SW_HIDE);
  EXPECT_EQ(SendMessageW(main(), TrayIcon::kCallbackMessage, 1, TrayIcon::kDoubleClick), 0);
  EXPECT_TRUE(IsWindowVisible(main()));
  EXPECT_FALSE(IsIconic(main()));
}

// The text of a child window of `parent` with the given caption or class.
HWND childWithText(HWND parent, const wchar_t* caption) { return FindWindowExW(parent, nullptr, nullptr, caption); }

// Presses a push button the way a click reports it to its window. (BM_CLICK
// would depend on the mouse capture, which a busy test display can take away.)
void press(HWND dialog, const wchar_t* caption) {
  HWND button = childWithText(dialog, caption);
  ASSERT_NE(button, nullptr);
  SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED), reinterpret_cast<LPARAM>(button));
}

std::wstring windowText(HWND h) {
  wchar_t buf[256] = {};
  GetWindowTextW(h, buf, 256);
  return buf;
}

TEST_F(RunningShellTest, ExitConfirmationCancelKeepsRunningAndConfirmEnds) {
  struct Case {
    const wchar_t* button;
    bool ends;
  } cases[] = {{L"取 消", false}, {L"确 定", true}};
  for (const Case& c : cases) {
    bool ownerDisabled = false;
    std::wstring caption, question;
    shelltest::WhenReady ready(
        [] { return shelltest::findOwnWindow(L"QuorvaneExitConfirmation") != nullptr; },
        [&] {
          HWND dlg = shelltest::findOwnWindow(L"QuorvaneExitConfirmation");
          caption = windowText(dlg);
          question = windowText(childWithText(dlg, L"你是否确定退出程序！"));
          ownerDisabled = !IsWindowEnabled(main());
          press(dlg, c.button);
        });
    // "退出程序" of "系统菜单" opens it, modal.
    SendMessageW(main(), WM_COMMAND, MAKEWPARAM(kMenuExitProgram, 0), 0);
    EXPECT_TRUE(ready.fired());
    EXPECT_EQ(caption, L"退出程序？");
    EXPECT_EQ(question, L"你是否确定退出程序！");
    EXPECT_TRUE(ownerDisabled);
    EXPECT_TRUE(IsWindowEnabled(main()));
    EXPECT_EQ(shelltest::findOwnWindow(L"QuorvaneExitConfirmation"), nullptr);
    EXPECT_EQ(window->endRequested(), c.ends);
    EXPECT_EQ(shelltest::takeQuitMessage(), c.ends);
    EXPECT_TRUE(IsWindowVisible(main()));
  }
  EXPECT_EQ(state->exitCode, 0);
}

TEST_F(RunningShellTest, ExitHooksRunOnlyWhenConfirmed) {
  int stopped = 0;
  window->onExit([&] { ++stopped; });
  for (const wchar_t* button : {L"取 消", L"确 定"}) {
    shelltest::WhenReady ready([] { return shelltest::findOwnWindow(L"QuorvaneExitConfirmation") != nullptr; },
                               [&] { press(shelltest::findOwnWindow(L"QuorvaneExitConfirmation"), button); });
    window->showExitConfirmation();
    EXPECT_EQ(stopped, button[0] == L'确' ? 1 : 0);
  }
}

TEST_F(RunningShellTest, RightClickOnTheIconOpensTheSystemMenu) {
  bool menuShown = false;
  shelltest::WhenReady close([] { return shelltest::findOwnWindow(L"#32768") != nullptr; },
                             [&] {
                               menuShown = IsWindowVisible(shelltest::findOwnWindow(L"#32768")) != FALSE;
                               EndMenu();
                             });
  EXPECT_EQ(SendMessageW(main(), TrayIcon::kCallbackMessage, 1, TrayIcon::kRightPress), 0);
  EXPECT_TRUE(close.fired());
  EXPECT_TRUE(menuShown);
  HMENU menu = window->systemMenu();
  ASSERT_EQ(GetMenuItemCount(menu), 1);
  wchar_t item[32] = {};
  GetMenuStringW(menu, 0, item, 32, MF_BYPOSITION);
  EXPECT_STREQ(item, L"退出程序");
  EXPECT_EQ(GetMenuItemID(menu, 0), UINT(kMenuExitProgram));
}

TEST_F(RunningShellTest, OperationLogLinesReachTheRecordWholeAndInOrder) {
  // More than an edit box holds by default (30,000 characters).
  std::vector<std::thread> writers;
  for (int t = 0; t < 4; ++t)
    writers.emplace_back([this, t] {
      for (int i = 0; i < 500; ++i)
        state->log.append("线程" + std::to_string(t) + " 第" + std::to_string(i) + "行 " + std::string(40, 'x') + "\r\n");
    });
  for (auto& th : writers) th.join();
  const std::string all = state->log.allText();
  ASSERT_GT(all.size(), 30000u);
  EXPECT_TRUE(shelltest::pumpUntil([&] { return text(kLogBox).size() == all.size(); }));
  EXPECT_EQ(text(kLogBox), all);
}

TEST_F(RunningShellTest, PostedTasksRunOnTheWindowThread) {
  DWORD windowThread = GetCurrentThreadId(), ranOn = 0;
  std::thread worker([&] { window->postTask([&] { ranOn = GetCurrentThreadId(); }); });
  worker.join();
  EXPECT_TRUE(shelltest::pumpUntil([&] { return ranOn != 0; }));
  EXPECT_EQ(ranOn, windowThread);

  // After the window is gone a task is dropped, not run.
  bool late = false;
  DestroyWindow(window->hwnd());
  window->postTask([&] { late = true; });
  shelltest::pumpUntil([] { return false; }, 100);
  EXPECT_FALSE(late);
}

TEST_F(RunningShellTest, SliderReleaseStoresItsShiftOnly) {
  HWND hue = control(kHueSlider);
  SendMessageW(hue, TBM_SETPOS, TRUE, 200);
  SendMessageW(hue, WM_LBUTTONUP, 0, 0);
  EXPECT_EQ(state->skinHue, 19);
  // The start-up colours (180, -14, 10) are not stored: the other shifts are 0.
  EXPECT_EQ(state->skinSaturation, 0);
  EXPECT_EQ(state->skinBrightness, 0);
  HWND brightness = control(kBrightnessSlider);
  SendMessageW(brightness, TBM_SETPOS, TRUE, 1);
  SendMessageW(brightness, WM_LBUTTONUP, 0, 0);
  EXPECT_EQ(state->skinBrightness, -100);
  EXPECT_EQ(state->skinHue, 19);
}

}  // namespace
