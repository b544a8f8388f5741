#include "generation/completion_window.h"

#include <string>

#include "util/text.h"

const wchar_t kCompletionWindowClass[] = L"QuorvaneCompletionWindow";

namespace {

constexpr int kWidth = 240;
constexpr int kHeight = 170;

struct Counts {
  int32_t total, succeeded, failed;
};

void addLabel(HWND parent, const std::string& caption, int x, int y) {
  HWND label = CreateWindowExW(0, L"STATIC", text::toWide(caption).c_str(), WS_CHILD | WS_VISIBLE | SS_LEFT, x, y,
                               180, 20, parent, nullptr, GetModuleHandleW(nullptr), nullptr);
  SendMessageW(label, WM_SETFONT, WPARAM(GetStockObject(DEFAULT_GUI_FONT)), TRUE);
}

// The creation handler fills the labels and places the window.
LRESULT CALLBACK completionProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_CREATE) {
    const auto* counts = static_cast<const Counts*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
    addLabel(hwnd, "复制已经完成：", 16, 12);
    addLabel(hwnd, "下载总数： " + text::decimal(counts->total), 36, 40);
    addLabel(hwnd, "成功下载： " + text::decimal(counts->succeeded), 36, 64);
    addLabel(hwnd, "下载失败： " + text::decimal(counts->failed), 36, 88);
    RECT r;
    GetWindowRect(hwnd, &r);
    const int w = r.right - r.left, h = r.bottom - r.top;
    SetWindowPos(hwnd, nullptr, GetSystemMetrics(SM_CXSCREEN) - w - 10, GetSystemMetrics(SM_CYSCREEN) - h - 30, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    return 0;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

void registerClassOnce() {
  WNDCLASSEXW wc{};
  if (GetClassInfoExW(GetModuleHandleW(nullptr), kCompletionWindowClass, &wc)) return;
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = completionProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  wc.hbrBackground = HBRUSH(COLOR_BTNFACE + 1);
  wc.lpszClassName = kCompletionWindowClass;
  RegisterClassExW(&wc);
}

}  // namespace

HWND showCompletionWindow(HWND owner, int32_t total, int32_t succeeded, int32_t failed) {
  registerClassOnce();
  Counts counts{total, succeeded, failed};
  HWND hwnd = CreateWindowExW(0, kCompletionWindowClass, text::toWide("复制完成！").c_str(),
                              WS_POPUP | WS_CAPTION | WS_SYSMENU, 0, 0, kWidth, kHeight, owner, nullptr,
                              GetModuleHandleW(nullptr), &counts);
  if (hwnd) ShowWindow(hwnd, SW_SHOWNOACTIVATE);
  return hwnd;
}
