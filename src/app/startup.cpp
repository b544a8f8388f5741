#include "app/startup.h"

#include <windows.h>
#include <commctrl.h>

#include "api/credentials.h"
#include "app/app_state.h"
#include "app/banner.h"
#include "app/config_page.h"
#include "app/main_window.h"
#include "app/output_path.h"
#include "app/startup_window.h"
#include "app/tray_icon.h"
#include "ui/skin.h"
#include "util/text.h"
#include "util/time_stamps.h"

namespace {

void setHeight(HWND control, int height) {
  if (!control) return;
  RECT rc;
  GetWindowRect(control, &rc);
  SetWindowPos(control, nullptr, 0, 0, rc.right - rc.left, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

std::string windowCaption(HWND hwnd) {
  wchar_t buf[512] = {};
  GetWindowTextW(hwnd, buf, 512);
  return text::fromWide(buf);
}

}  // namespace

void runStartupSequence(MainWindow& window) {
  AppState& state = window.state();
  HWND main = window.hwnd();

  skinAttach(state);
  skinSetTitleMenuBar(state, main, 1, 22, 0, 15);
  skinAdjust(state, 180, -14, 10);

  auto owned = std::make_unique<StartupWindow>();
  StartupWindow& splash = *owned;
  splash.show(window.font());
  window.setStartupWindow(std::move(owned));

  state.serviceBaseAddress = state.endpoints.serviceBase;

  splash.setLabel("正在连接服务器--");
  MainWindow::pumpPending();

  ShowWindow(main, SW_HIDE);
  setHeight(window.control(kHelpView), 440);
  splash.setProgress(50);

  splash.setLabel("正在加载预定信息--");
  splash.setProgress(65);

  if (!loadCredentials(state)) {
    const std::string failure = "预定信息 加载失败，请重新启动--";
    splash.setLabel(failure);
    state.ui->messageBox(splash.hwnd(), failure, "提示", MB_OK);
    window.endProcess(0);
    return;
  }

  setBanner(window, kBannerStart);

  window.setControlText(kPathBox, state.runDirectory() + "\\csv" + timestamps::epochText(true) + ".csv");
  applyOutputPath(state, window.controlText(kPathBox));

  setHeight(main, 618);
  window.setPageControlHeight(466);

  skinDetach(state, window.control(kNavHost));
  splash.setProgress(85);
  buildNavigationBar(window);
  loadSettings(window);

  if (!state.trayIcon) state.trayIcon = newTrayIcon();
  MainWindow* self = &window;
  state.trayIcon->install(
      main, windowCaption(main), [self](uint32_t mouseMessage) { trayClick(*self, mouseMessage); },
      state.taskbarCreatedMessage);

  window.setPageControlProperty(1);

  splash.setProgress(100);
  Sleep(300);
  window.setStartupWindow(nullptr);
  ShowWindow(main, SW_SHOW);
  UpdateWindow(main);

  window.startMemoryTrimTimer();
  SetProcessAffinityMask(GetCurrentProcess(), 1);
  // The document that held the credential list belonged to loadCredentials and
  // is already released.
}
