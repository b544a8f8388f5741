#include "ui/web_view.h"

#include <exdisp.h>
#include <ole2.h>
#include <oleauto.h>

#include <memory>

#include "util/text.h"

namespace ui {

namespace {

const wchar_t kClassName[] = L"QuorvaneWebView";

struct WebView {
  std::string address;
  OpenAddress open;
  HFONT font = nullptr;
  HFONT linkFont = nullptr;  // owned: the font underlined
  RECT linkRect{};
  bool oleStarted = false;
  HWND browserWindow = nullptr;
  IWebBrowser2* browser = nullptr;  // owned reference

  ~WebView() {
    if (browser) browser->Release();
    if (linkFont) DeleteObject(linkFont);
    if (oleStarted) OleUninitialize();
  }
};

struct CreateArgs {
  std::string address;
  HFONT font;
  OpenAddress open;
};

WebView* viewOf(HWND hwnd) { return reinterpret_cast<WebView*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA)); }

using AxInit = BOOL(WINAPI*)();
using AxGetControl = HRESULT(WINAPI*)(HWND, IUnknown**);

// The container library stays loaded for the life of the process: windows of
// the class it registers may exist until the very end.
HMODULE containerLibrary() {
  static HMODULE lib = [] {
    // Without an HTML engine the browser control would come up blank.
    HMODULE engine = LoadLibraryW(L"mshtml.dll");
    if (!engine) return HMODULE(nullptr);
    FreeLibrary(engine);
    HMODULE atl = LoadLibraryW(L"atl.dll");
    auto init = atl ? reinterpret_cast<AxInit>(reinterpret_cast<void*>(GetProcAddress(atl, "AtlAxWinInit"))) : nullptr;
    if (!init || !init()) {
      if (atl) FreeLibrary(atl);
      return HMODULE(nullptr);
    }
    return atl;
  }();
  return lib;
}

bool startBrowser(HWND self, WebView& v) {
  HMODULE atl = containerLibrary();
  if (!atl) return false;
  auto getControl =
      reinterpret_cast<AxGetControl>(reinterpret_cast<void*>(GetProcAddress(atl, "AtlAxGetControl")));
  if (!getControl) return false;
  HRESULT ole = OleInitialize(nullptr);
  if (FAILED(ole)) return false;
  v.oleStarted = true;
  RECT rc;
  GetClientRect(self, &rc);
  std::wstring address = text::toWide(v.address);
  HWND host = CreateWindowExW(0, L"AtlAxWin", address.c_str(), WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0,
                              rc.right, rc.bottom, self, nullptr, GetModuleHandleW(nullptr), nullptr);
  if (!host) return false;
  IUnknown* control = nullptr;
  if (SUCCEEDED(getControl(host, &control)) && control) {
    control->QueryInterface(IID_IWebBrowser2, reinterpret_cast<void**>(&v.browser));
    control->Release();
  }
  if (!v.browser) {
    DestroyWindow(host);
    return false;
  }
  v.browserWindow = host;
  return true;
}

void layoutLink(HWND hwnd, WebView& v) {
  RECT rc;
  GetClientRect(hwnd, &rc);
  HDC dc = GetDC(hwnd);
  HGDIOBJ old = SelectObject(dc, v.linkFont ? v.linkFont : v.font);
  std::wstring address = text::toWide(v.address);
  RECT r{12, 36, rc.right - 12, rc.bottom - 8};
  DrawTextW(dc, address.c_str(), int(address.size()), &r, DT_CALCRECT | DT_WORDBREAK | DT_EDITCONTROL | DT_NOPREFIX);
  SelectObject(dc, old);
  ReleaseDC(hwnd, dc);
  v.linkRect = r;
}

void paintLink(HWND hwnd, WebView& v, HDC dc) {
  RECT rc;
  GetClientRect(hwnd, &rc);
  FillRect(dc, &rc, GetSysColorBrush(COLOR_WINDOW));
  SetBkMode(dc, TRANSPARENT);
  HGDIOBJ old = SelectObject(dc, v.font);
  SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
  RECT note{12, 10, rc.right - 12, 34};
  const wchar_t* hint = L"网页无法在这里显示，点击地址在浏览器中打开：";
  DrawTextW(dc, hint, -1, &note, DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
  SelectObject(dc, v.linkFont ? v.linkFont : v.font);
  SetTextColor(dc, RGB(0, 0, 204));
  std::wstring address = text::toWide(v.address);
  RECT r = v.linkRect;
  DrawTextW(dc, address.c_str(), int(address.size()), &r, DT_WORDBREAK | DT_EDITCONTROL | DT_NOPREFIX);
  SelectObject(dc, old);
}

bool inLink(const WebView& v, LPARAM lp) {
  POINT p{short(LOWORD(lp)), short(HIWORD(lp))};
  return !v.browserWindow && PtInRect(&v.linkRect, p);
}

LRESULT CALLBACK viewProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  WebView* v = viewOf(hwnd);
  switch (msg) {
    case WM_NCCREATE: {
      auto* args = static_cast<CreateArgs*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
      auto view = std::make_unique<WebView>();
      view->address = args->address;
      view->open = args->open;
      view->font = args->font ? args->font : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
      LOGFONTW lf{};
      if (GetObjectW(view->font, sizeof lf, &lf)) {
        lf.lfUnderline = TRUE;
        view->linkFont = CreateFontIndirectW(&lf);
      }
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(view.release()));
      break;
    }
    case WM_CREATE:
      if (!startBrowser(hwnd, *v)) layoutLink(hwnd, *v);
      return 0;
    case WM_SIZE:
      if (v && v->browserWindow)
        MoveWindow(v->browserWindow, 0, 0, LOWORD(lp), HIWORD(lp), TRUE);
      else if (v)
        layoutLink(hwnd, *v);
      break;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      if (v && !v->browserWindow) paintLink(hwnd, *v, dc);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;
    case WM_SETCURSOR:
      if (v && !v->browserWindow && LOWORD(lp) == HTCLIENT) {
        POINT p;
        GetCursorPos(&p);
        ScreenToClient(hwnd, &p);
        SetCursor(LoadCursorW(nullptr, PtInRect(&v->linkRect, p) ? IDC_HAND : IDC_ARROW));
        return TRUE;
      }
      break;
    case WM_LBUTTONUP:
      if (v && inLink(*v, lp) && v->open) v->open(v->address);
      return 0;
    case WM_NCDESTROY:
      if (v) {
        if (v->browser) {
          v->browser->Release();
          v->browser = nullptr;
        }
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        delete v;
      }
      break;
    default:
      break;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

void registerClass() {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  HINSTANCE inst = GetModuleHandleW(nullptr);
  if (GetClassInfoExW(inst, kClassName, &wc)) return;
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = viewProc;
  wc.hInstance = inst;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = kClassName;
  RegisterClassExW(&wc);
}

}  // namespace

HWND createWebView(HWND parent, int id, int x, int y, int width, int height, const std::string& addressGbk,
                   HFONT font, OpenAddress open) {
  registerClass();
  CreateArgs args{addressGbk, font, std::move(open)};
  return CreateWindowExW(WS_EX_CLIENTEDGE, kClassName, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, x, y, width,
                         height, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr),
                         &args);
}

void webViewShow(HWND view, const std::string& addressGbk) {
  WebView* v = viewOf(view);
  if (!v) return;
  v->address = addressGbk;
  if (v->browser) {
    BSTR url = SysAllocString(text::toWide(addressGbk).c_str());
    if (url) {
      VARIANT empty;
      VariantInit(&empty);
      v->browser->Navigate(url, &empty, &empty, &empty, &empty);
      SysFreeString(url);
    }
    return;
  }
  layoutLink(view, *v);
  InvalidateRect(view, nullptr, TRUE);
}

bool webViewShowsBrowser(HWND view) {
  WebView* v = viewOf(view);
  return v && v->browserWindow;
}

std::string webViewAddress(HWND view) {
  WebView* v = viewOf(view);
  return v ? v->address : std::string();
}

RECT webViewLinkRect(HWND view) {
  WebView* v = viewOf(view);
  if (!v || v->browserWindow) return RECT{};
  return v->linkRect;
}

}  // namespace ui
