#include "app/exit_confirmation.h"

#include <string>

#include "util/text.h"

namespace {

struct Confirmation {
  bool done = false;
  bool confirmed = false;
};

HWND g_open = nullptr;  // the confirmation on screen, if any (window thread only)

void finish(HWND hwnd, bool confirmed) {
  auto* c = reinterpret_cast<Confirmation*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!c || c->done) return;
  c->confirmed = confirmed;
  c->done = true;
}

LRESULT CALLBACK confirmationProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_NCCREATE:
      SetWindowLongPtrW(hwnd, GWLP_USERDATA,
                        reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams));
      break;
    case WM_COMMAND:
      if (LOWORD(wp) == IDOK) finish(hwnd, true);
      if (LOWORD(wp) == IDCANCEL) finish(hwnd, false);
      return 0;
    case WM_CLOSE:
      finish(hwnd, false);
      return 0;
    case WM_CTLCOLORSTATIC:
      SetBkMode(reinterpret_cast<HDC>(wp), TRANSPARENT);
      return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    case WM_NCDESTROY:
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
      break;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

HWND child(HWND parent, const wchar_t* cls, const char* textGbk, DWORD style, int x, int y, int w, int h, int id,
           HFONT font) {
  HWND c = CreateWindowExW(0, cls, text::toWide(textGbk).c_str(), WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent,
                           reinterpret_cast<HMENU>(INT_PTR(id)), GetModuleHandleW(nullptr), nullptr);
  if (c && font) SendMessageW(c, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  return c;
}

}  // namespace

bool runExitConfirmation(HWND owner, HFONT font) {
  static bool registered = false;
  if (!registered) {
    registered = true;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = confirmationProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    wc.lpszClassName = kExitConfirmationClass;
    RegisterClassExW(&wc);
  }

  RECT client{0, 0, 300, 120};
  const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
  AdjustWindowRectEx(&client, style, FALSE, WS_EX_DLGMODALFRAME);
  int w = client.right - client.left, h = client.bottom - client.top;
  RECT around{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  if (owner && IsWindowVisible(owner) && !IsIconic(owner)) GetWindowRect(owner, &around);
  int x = around.left + (around.right - around.left - w) / 2, y = around.top + (around.bottom - around.top - h) / 2;

  Confirmation state;
  HWND dlg = CreateWindowExW(WS_EX_DLGMODALFRAME, kExitConfirmationClass, text::toWide("退出程序？").c_str(), style, x,
                             y, w, h, owner, nullptr, GetModuleHandleW(nullptr), &state);
  if (!dlg) return false;
  child(dlg, L"STATIC", "你是否确定退出程序！", SS_CENTER | SS_CENTERIMAGE, 20, 18, 260, 30, 0, font);
  HWND ok = child(dlg, L"BUTTON", "确 定", WS_TABSTOP | WS_GROUP | BS_DEFPUSHBUTTON, 50, 70, 84, 28, IDOK, font);
  child(dlg, L"BUTTON", "取 消", WS_TABSTOP | BS_PUSHBUTTON, 166, 70, 84, 28, IDCANCEL, font);

  g_open = dlg;
  bool ownerEnabled = owner && IsWindowEnabled(owner);
  if (ownerEnabled) EnableWindow(owner, FALSE);
  ShowWindow(dlg, SW_SHOW);
  SetForegroundWindow(dlg);
  SetFocus(ok);

  MSG msg;
  while (!state.done) {
    BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) {
      PostQuitMessage(int(msg.wParam));
      break;
    }
    if (got == -1) break;
    if (!IsDialogMessageW(dlg, &msg)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  // The owner is enabled again before the window goes, so it gets the activation back.
  if (ownerEnabled) EnableWindow(owner, TRUE);
  DestroyWindow(dlg);
  g_open = nullptr;
  return state.done && state.confirmed;
}

void bringExitConfirmationToFront() {
  if (g_open && IsWindow(g_open)) SetForegroundWindow(g_open);
}
