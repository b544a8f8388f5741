#include "app/tray_icon.h"

#include <cstring>

#include "app/main_window.h"
#include "util/text.h"

namespace {
const wchar_t kTrayProperty[] = L"QuorvaneTrayIcon";

// The tip buffer holds 127 bytes and its terminator; a longer caption is cut at a
// character boundary rather than written past the buffer.
void copyText(char* buffer, size_t capacity, const std::string& gbk) {
  size_t n = 0;
  while (n < gbk.size()) {
    size_t step = text::isLeadByte(static_cast<unsigned char>(gbk[n])) && n + 1 < gbk.size() ? 2 : 1;
    if (n + step > capacity - 1) break;
    n += step;
  }
  std::memset(buffer, 0, capacity);
  std::memcpy(buffer, gbk.data(), n);
}

template <size_t N>
void copyWide(wchar_t (&target)[N], const char* gbk) {
  std::wstring w = text::toWide(gbk);
  if (w.size() > N - 1) w.resize(N - 1);
  std::memset(target, 0, sizeof target);
  std::memcpy(target, w.data(), w.size() * sizeof(wchar_t));
}
}  // namespace

TrayIcon::TrayIcon()
    : shell_([](DWORD action, const NOTIFYICONDATAW& data) {
        return Shell_NotifyIconW(action, const_cast<NOTIFYICONDATAW*>(&data)) != FALSE;
      }) {}

TrayIcon::~TrayIcon() {
  // Normally the window's destroy message has already taken the icon away.
  if (installed() && IsWindow(hookedWindow_)) {
    SetWindowLongPtrW(hookedWindow_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previousProcedure_));
    RemovePropW(hookedWindow_, kTrayProperty);
    notifyShell(NIM_DELETE);
  }
}

void TrayIcon::setTip(const std::string& tipGbk) { copyText(record_.tip, sizeof record_.tip, tipGbk); }

void TrayIcon::install(HWND window, const std::string& tipGbk, ClickRoutine click, UINT taskbarCreatedMessage) {
  if (installed()) {
    setTip(tipGbk);
    notifyShell(NIM_MODIFY);
    return;
  }
  SetPropW(window, kTrayProperty, this);
  previousProcedure_ = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TrayIcon::trayProcedure)));
  click_ = std::move(click);
  hookedWindow_ = window;
  taskbarCreated_ = taskbarCreatedMessage;

  record_.size = 488;
  record_.window = window;
  record_.iconNumber = 1;
  record_.flags = NIF_MESSAGE | NIF_ICON | NIF_TIP;  // 7
  record_.callbackMessage = kCallbackMessage;
  record_.icon = reinterpret_cast<HICON>(SendMessageW(window, WM_GETICON, ICON_SMALL, 0));
  setTip(tipGbk);
  notifyShell(NIM_ADD);
}

bool TrayIcon::notifyShell(DWORD action) {
  NOTIFYICONDATAW data{};
#ifdef NOTIFYICONDATAW_V2_SIZE
  data.cbSize = NOTIFYICONDATAW_V2_SIZE;
#else
  data.cbSize = sizeof data;
#endif
  data.hWnd = record_.window;
  data.uID = record_.iconNumber;
  data.uFlags = record_.flags;
  data.uCallbackMessage = record_.callbackMessage;
  data.hIcon = record_.icon;
  copyWide(data.szTip, record_.tip);
  data.dwState = record_.state;
  data.dwStateMask = record_.stateMask;
  copyWide(data.szInfo, record_.balloonText);
  data.uTimeout = record_.timeout;
  copyWide(data.szInfoTitle, record_.balloonTitle);
  data.dwInfoFlags = record_.balloonFlags;
  return shell_ ? shell_(action, data) : false;
}

LRESULT CALLBACK TrayIcon::trayProcedure(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* self = static_cast<TrayIcon*>(GetPropW(hwnd, kTrayProperty));
  if (!self || !self->previousProcedure_) return DefWindowProcW(hwnd, msg, wp, lp);
  WNDPROC previous = self->previousProcedure_;

  if (msg == WM_DESTROY) {
    SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
    self->notifyShell(NIM_DELETE);
    RemovePropW(hwnd, kTrayProperty);
    self->previousProcedure_ = nullptr;
    return CallWindowProcW(previous, hwnd, msg, wp, lp);
  }
  if (msg == kCallbackMessage && self->click_) {
    ClickRoutine click = self->click_;
    click(static_cast<uint32_t>(lp));
    return 0;
  }
  if (self->taskbarCreated_ != 0 && msg == self->taskbarCreated_) self->notifyShell(NIM_ADD);
  return CallWindowProcW(previous, hwnd, msg, wp, lp);
}

Owned<TrayIcon> newTrayIcon() {
  return Owned<TrayIcon>(new TrayIcon, [](TrayIcon* t) { delete t; });
}

void trayClick(MainWindow& window, uint32_t mouseMessage) {
  HWND main = window.hwnd();
  if (!main) return;
  if (mouseMessage == TrayIcon::kDoubleClick) {
    ShowWindow(main, SW_SHOW);
    ShowWindow(main, SW_RESTORE);
    SetForegroundWindow(main);
  } else if (mouseMessage == TrayIcon::kRightPress) {
    POINT at{};
    GetCursorPos(&at);
    // Without the foreground the menu would not close when the user clicks elsewhere.
    SetForegroundWindow(main);
    TrackPopupMenu(window.systemMenu(), TPM_RIGHTBUTTON, at.x, at.y, 0, main, nullptr);
    PostMessageW(main, WM_NULL, 0, 0);
  }
}
