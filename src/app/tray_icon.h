// The main window's icon in the notification area. Installing it takes over the
// window's procedure; the icon survives a restart of the task bar and goes with
// the window's destroy message.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <cstdint>
#include <functional>
#include <string>

#include "app/app_state.h"

// The notification-icon record in its 488-byte layout (as a 32-bit program
// lays it out; handles grow on 64-bit). The shell is handed the platform's own
// record filled with these values.
struct TrayIconRecord {
  uint32_t size = 488;
  HWND window = nullptr;
  uint32_t iconNumber = 0;
  uint32_t flags = 0;
  uint32_t callbackMessage = 0;
  HICON icon = nullptr;
  char tip[128] = {};
  uint32_t state = 0;
  uint32_t stateMask = 0;
  char balloonText[256] = {};
  uint32_t timeout = 0;
  char balloonTitle[64] = {};
  uint32_t balloonFlags = 0;
};
#ifndef _WIN64
static_assert(sizeof(TrayIconRecord) == 488, "the record keeps the platform's 488-byte layout");
#endif

class TrayIcon {
 public:
  static constexpr UINT kCallbackMessage = 123456;
  static constexpr uint32_t kDoubleClick = 515;  // WM_LBUTTONDBLCLK
  static constexpr uint32_t kRightPress = 516;   // WM_RBUTTONDOWN

  using ClickRoutine = std::function<void(uint32_t mouseMessage)>;
  // The shell call (Shell_NotifyIconW); tests replace it to see what is sent.
  using ShellNotifier = std::function<bool(DWORD action, const NOTIFYICONDATAW& data)>;

  TrayIcon();
  ~TrayIcon();
  TrayIcon(const TrayIcon&) = delete;
  TrayIcon& operator=(const TrayIcon&) = delete;

  // Installs the icon on `window` once; a later call only replaces the tip text
  // and changes the icon in place. `taskbarCreatedMessage` is the registered
  // "TaskbarCreated" message, on which the icon is added again.
  void install(HWND window, const std::string& tipGbk, ClickRoutine click, UINT taskbarCreatedMessage);
  bool installed() const { return previousProcedure_ != nullptr; }
  const TrayIconRecord& record() const { return record_; }
  WNDPROC previousProcedure() const { return previousProcedure_; }
  HWND hookedWindow() const { return hookedWindow_; }

  void setShellNotifier(ShellNotifier notifier) { shell_ = std::move(notifier); }

 private:
  static LRESULT CALLBACK trayProcedure(HWND, UINT, WPARAM, LPARAM);
  void setTip(const std::string& tipGbk);
  bool notifyShell(DWORD action);

  TrayIconRecord record_;
  WNDPROC previousProcedure_ = nullptr;
  ClickRoutine click_;
  HWND hookedWindow_ = nullptr;
  UINT taskbarCreated_ = 0;
  ShellNotifier shell_;
};

// A tray icon owned through AppState::trayIcon.
Owned<TrayIcon> newTrayIcon();

class MainWindow;
// The tray click routine: a double click shows the main window in its normal
// state; a right-button press opens "系统菜单" at the mouse position.
void trayClick(MainWindow& window, uint32_t mouseMessage);
