#include "app/startup_window.h"

#include <commctrl.h>

#include "ui/assets.h"
#include "util/text.h"

namespace {

const wchar_t kStartupClass[] = L"QuorvaneStartupWindow";
constexpr int kWidth = 460, kHeight = 280;

}  // namespace

StartupWindow::~StartupWindow() {
  if (hwnd_ && IsWindow(hwnd_)) DestroyWindow(hwnd_);
  if (picture_) DeleteObject(picture_);
}

bool StartupWindow::show(HFONT font) {
  static bool registered = false;
  if (!registered) {
    registered = true;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = windowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_WAIT));
    wc.lpszClassName = kStartupClass;
    RegisterClassExW(&wc);
  }
  picture_ = assets::loadSplashBitmap();  // null without GDI+ or the picture
  RECT rc{0, 0, kWidth, kHeight};
  AdjustWindowRectEx(&rc, WS_POPUP | WS_BORDER, FALSE, WS_EX_TOOLWINDOW);
  int w = rc.right - rc.left, h = rc.bottom - rc.top;
  int x = (GetSystemMetrics(SM_CXSCREEN) - w) / 2, y = (GetSystemMetrics(SM_CYSCREEN) - h) / 2;
  hwnd_ = CreateWindowExW(WS_EX_TOOLWINDOW, kStartupClass, L"Quorvane", WS_POPUP | WS_BORDER, x, y, w, h, nullptr,
                          nullptr, GetModuleHandleW(nullptr), this);
  if (!hwnd_) return false;
  label_ = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX, 14, 218, 300, 18, hwnd_,
                           nullptr, GetModuleHandleW(nullptr), nullptr);
  progress_ = CreateWindowExW(0, PROGRESS_CLASSW, L"", WS_CHILD | WS_VISIBLE, 14, 256, 432, 12, hwnd_, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
  if (font) SendMessageW(label_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  SendMessageW(progress_, PBM_SETRANGE32, 0, 100);
  ShowWindow(hwnd_, SW_SHOWNOACTIVATE);
  UpdateWindow(hwnd_);
  return true;
}

void StartupWindow::setLabel(const std::string& gbk) {
  if (!label_) return;
  SetWindowTextW(label_, text::toWide(gbk).c_str());
  // The label is transparent over the picture: repaint what lies under it.
  RECT rc;
  GetWindowRect(label_, &rc);
  MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&rc), 2);
  RedrawWindow(hwnd_, &rc, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

std::string StartupWindow::label() const {
  if (!label_) return {};
  wchar_t buf[256] = {};
  GetWindowTextW(label_, buf, 256);
  return text::fromWide(buf);
}

void StartupWindow::setProgress(int percent) {
  if (progress_) SendMessageW(progress_, PBM_SETPOS, WPARAM(percent), 0);
}

int StartupWindow::progress() const {
  return progress_ ? int(SendMessageW(progress_, PBM_GETPOS, 0, 0)) : 0;
}

LRESULT CALLBACK StartupWindow::windowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE)
    SetWindowLongPtrW(hwnd, GWLP_USERDATA,
                      reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams));
  auto* self = reinterpret_cast<StartupWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  switch (msg) {
    case WM_ERASEBKGND: {
      HDC dc = reinterpret_cast<HDC>(wp);
      RECT rc{0, 0, kWidth, kHeight};
      if (self && self->picture_) {
        HDC mem = CreateCompatibleDC(dc);
        HGDIOBJ old = SelectObject(mem, self->picture_);
        BITMAP bm{};
        GetObjectW(self->picture_, sizeof bm, &bm);
        SetStretchBltMode(dc, HALFTONE);
        StretchBlt(dc, 0, 0, kWidth, kHeight, mem, 0, 0, bm.bmWidth, bm.bmHeight, SRCCOPY);
        SelectObject(mem, old);
        DeleteDC(mem);
      } else {
        // No picture carried: the bar colour with the program's name.
        HBRUSH brush = CreateSolidBrush(RGB(179, 71, 24));
        FillRect(dc, &rc, brush);
        DeleteObject(brush);
        HFONT big = CreateFontW(-32, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, DEFAULT_PITCH, L"Tahoma");
        HGDIOBJ oldFont = SelectObject(dc, big);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, RGB(255, 255, 255));
        RECT title{0, 80, kWidth, 140};
        DrawTextW(dc, L"Quorvane V3.06", -1, &title, DT_CENTER | DT_SINGLELINE | DT_VCENTER);
        SelectObject(dc, oldFont);
        DeleteObject(big);
      }
      return 1;
    }
    case WM_CTLCOLORSTATIC:
      SetBkMode(reinterpret_cast<HDC>(wp), TRANSPARENT);
      SetTextColor(reinterpret_cast<HDC>(wp), RGB(255, 255, 255));
      return reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
    case WM_NCDESTROY:
      if (self) {
        self->hwnd_ = self->label_ = self->progress_ = nullptr;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
      }
      break;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}
