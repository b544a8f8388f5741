// The own-drawn frame of top-level windows: outline, title bar with icon,
// caption and the minimise, maximise and close boxes.
#include "engine.h"

#include <commctrl.h>
#include <windowsx.h>

namespace skin {

namespace {

constexpr UINT kDrawCaption = 0x00AE;  // undocumented: themed caption drawn outside WM_NCPAINT
constexpr UINT kDrawFrame = 0x00AF;

struct FrameLayout {
  int width, height, border, title;
  RECT icon;
  HICON iconHandle;
  RECT button[3];
  int hit[3];
  int buttons;
  RECT text;
};

bool isBox(WPARAM hit) { return hit == HTCLOSE || hit == HTMAXBUTTON || hit == HTMINBUTTON; }

HICON smallIcon(HWND hwnd) {
  auto icon = reinterpret_cast<HICON>(SendMessageW(hwnd, WM_GETICON, ICON_SMALL, 0));
  if (!icon) icon = reinterpret_cast<HICON>(GetClassLongPtrW(hwnd, GCLP_HICONSM));
  if (!icon) icon = reinterpret_cast<HICON>(SendMessageW(hwnd, WM_GETICON, ICON_BIG, 0));
  if (!icon) icon = reinterpret_cast<HICON>(GetClassLongPtrW(hwnd, GCLP_HICON));
  return icon;
}

void layout(HWND hwnd, const Skinned* d, FrameLayout& L) {
  RECT wr;
  GetWindowRect(hwnd, &wr);
  L.width = wr.right - wr.left;
  L.height = wr.bottom - wr.top;
  L.border = frameBorder(hwnd);
  L.title = d->titleHeight;
  const LONG style = GetWindowLongW(hwnd, GWL_STYLE);
  const int boxHeight = L.title - 4 < 10 ? 10 : L.title - 4;
  const int boxWidth = boxHeight * 3 / 2;
  const int top = L.border + (L.title - boxHeight) / 2;
  int right = L.width - L.border - 1;
  L.buttons = 0;
  auto add = [&](int hit) {
    L.button[L.buttons] = {right - boxWidth, top, right, top + boxHeight};
    L.hit[L.buttons++] = hit;
    right -= boxWidth + 1;
  };
  if (style & WS_SYSMENU) {
    add(HTCLOSE);
    if (style & WS_MAXIMIZEBOX) add(HTMAXBUTTON);
    if (style & WS_MINIMIZEBOX) add(HTMINBUTTON);
  }
  L.iconHandle = (style & WS_SYSMENU) ? smallIcon(hwnd) : nullptr;
  int left = L.border + 6;
  if (L.iconHandle) {
    const int size = L.title - 6 < 16 ? (L.title - 6 < 8 ? 8 : L.title - 6) : 16;
    const int iconTop = L.border + (L.title - size) / 2;
    L.icon = {L.border + 4, iconTop, L.border + 4 + size, iconTop + size};
    left = L.icon.right + 5;
  } else {
    L.icon = {0, 0, 0, 0};
  }
  L.text = {left, L.border, right - 4, L.border + L.title};
}

int hitTest(HWND hwnd, const Skinned* d, POINT screen) {
  FrameLayout L;
  layout(hwnd, d, L);
  RECT wr;
  GetWindowRect(hwnd, &wr);
  const int x = screen.x - wr.left, y = screen.y - wr.top;
  if (x < 0 || y < 0 || x >= L.width || y >= L.height) return HTNOWHERE;
  if ((GetWindowLongW(hwnd, GWL_STYLE) & WS_THICKFRAME) && !IsZoomed(hwnd)) {
    const int e = L.border, corner = 12;
    const bool l = x < e, r = x >= L.width - e, t = y < e, b = y >= L.height - e;
    if ((t && x < corner) || (l && y < corner)) return HTTOPLEFT;
    if ((t && x >= L.width - corner) || (r && y < corner)) return HTTOPRIGHT;
    if ((b && x < corner) || (l && y >= L.height - corner)) return HTBOTTOMLEFT;
    if ((b && x >= L.width - corner) || (r && y >= L.height - corner)) return HTBOTTOMRIGHT;
    if (l) return HTLEFT;
    if (r) return HTRIGHT;
    if (t) return HTTOP;
    if (b) return HTBOTTOM;
  }
  const POINT p = {x, y};
  for (int i = 0; i < L.buttons; ++i)
    if (PtInRect(&L.button[i], p)) return L.hit[i];
  if (y < L.border + L.title) return L.iconHandle && PtInRect(&L.icon, p) ? HTSYSMENU : HTCAPTION;
  if (x < L.border || x >= L.width - L.border || y >= L.height - L.border) return HTBORDER;
  return HTCLIENT;
}

void drawBox(HDC dc, const RECT& r, int hit, bool hot, bool pressed, bool zoomed, COLORREF bar, COLORREF glyph) {
  if (pressed || hot) {
    COLORREF back = hit == HTCLOSE ? g.colour[CloseHot] : mix(bar, RGB(255, 255, 255), 22);
    if (pressed) back = mix(back, RGB(0, 0, 0), 18);
    fillSolid(dc, r, back);
    if (hit == HTCLOSE) glyph = RGB(255, 255, 255);
  }
  const int cx = (r.left + r.right) / 2, cy = (r.top + r.bottom) / 2;
  const int s = (r.bottom - r.top) / 4 < 3 ? 3 : (r.bottom - r.top) / 4;
  switch (hit) {
    case HTCLOSE:
      for (int k = 0; k < 2; ++k) {
        line(dc, cx - s + k, cy - s, cx + s + 1 + k, cy + s + 1, glyph);
        line(dc, cx + s - 1 + k, cy - s, cx - s - 2 + k, cy + s + 1, glyph);
      }
      break;
    case HTMINBUTTON:
      fillSolid(dc, {cx - s, cy + s - 1, cx + s + 1, cy + s + 1}, glyph);
      break;
    case HTMAXBUTTON:
      if (zoomed) {
        outline(dc, {cx - s + 2, cy - s, cx + s + 1, cy + s - 2}, glyph);
        fillSolid(dc, {cx - s, cy - s + 3, cx + s - 1, cy + s + 1}, bar);
        outline(dc, {cx - s, cy - s + 2, cx + s - 1, cy + s + 1}, glyph);
      } else {
        outline(dc, {cx - s, cy - s, cx + s + 1, cy + s + 1}, glyph);
        fillSolid(dc, {cx - s, cy - s + 1, cx + s + 1, cy - s + 2}, glyph);
      }
      break;
  }
}

void drawBar(HDC dc, HWND hwnd, const Skinned* d, const FrameLayout& L) {
  const bool active = d->active;
  const COLORREF top = g.colour[active ? Caption : Inactive];
  const COLORREF bottom = mix(g.colour[active ? Caption2 : Inactive2], RGB(0, 0, 0), d->titleShade);
  const COLORREF text = g.colour[active ? CaptionText : InactiveText];
  const RECT bar = {0, 0, L.width, L.border + L.title};
  gradient(dc, bar, top, bottom);
  // A faint sheen under the top edge.
  fillSolid(dc, {1, 1, L.width - 1, 2}, mix(top, RGB(255, 255, 255), 28));
  fillSolid(dc, {0, 0, L.width, 1}, g.colour[Frame]);
  fillSolid(dc, {0, 0, 1, bar.bottom}, g.colour[Frame]);
  fillSolid(dc, {L.width - 1, 0, L.width, bar.bottom}, g.colour[Frame]);

  if (L.iconHandle)
    DrawIconEx(dc, L.icon.left, L.icon.top, L.iconHandle, L.icon.right - L.icon.left, L.icon.bottom - L.icon.top, 0,
               nullptr, DI_NORMAL);

  WCHAR caption[256];
  int n = InternalGetWindowText(hwnd, caption, 256);
  if (n > 0) {
    NONCLIENTMETRICSW metrics = {};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    LOGFONTW lf = metrics.lfCaptionFont;
    lf.lfHeight = -(L.title * 12 / 22 < 9 ? 9 : L.title * 12 / 22);
    lf.lfWidth = 0;
    lf.lfWeight = FW_BOLD;
    HFONT font = CreateFontIndirectW(&lf);
    HGDIOBJ old = SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, text);
    RECT r = L.text;
    DrawTextW(dc, caption, n, &r,
              DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX | (d->titleAlign == 1 ? DT_CENTER : DT_LEFT));
    SelectObject(dc, old);
    DeleteObject(font);
  }
  const bool zoomed = IsZoomed(hwnd);
  for (int i = 0; i < L.buttons; ++i)
    drawBox(dc, L.button[i], L.hit[i], d->hotButton == L.hit[i], d->pressedButton == L.hit[i], zoomed,
            mix(top, bottom, 50), text);
}

void trackBox(HWND hwnd, int hit) {
  if (Skinned* d = skinnedData(hwnd)) {
    d->pressedButton = d->hotButton = hit;
    paintFrame(hwnd, d);
  }
  SetCapture(hwnd);
  bool inside = true;
  for (;;) {
    MSG msg;
    if (!GetMessageW(&msg, nullptr, 0, 0)) {
      PostQuitMessage(int(msg.wParam));  // the loop that owns the thread sees it
      inside = false;
      break;
    }
    if (msg.message == WM_MOUSEMOVE || msg.message == WM_LBUTTONUP) {
      POINT p = {GET_X_LPARAM(msg.lParam), GET_Y_LPARAM(msg.lParam)};
      ClientToScreen(msg.hwnd, &p);
      Skinned* d = skinnedData(hwnd);
      if (!d) break;
      const bool now = hitTest(hwnd, d, p) == hit;
      if (now != inside) {
        inside = now;
        d->pressedButton = inside ? hit : 0;
        paintFrame(hwnd, d);
      }
      if (msg.message == WM_LBUTTONUP) break;
      continue;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
    if (!IsWindow(hwnd) || GetCapture() != hwnd) {
      inside = false;
      break;
    }
  }
  if (GetCapture() == hwnd) ReleaseCapture();
  if (!IsWindow(hwnd)) return;
  if (Skinned* d = skinnedData(hwnd)) {
    d->pressedButton = 0;
    paintFrame(hwnd, d);
  }
  if (!inside) return;
  WPARAM command = hit == HTCLOSE       ? SC_CLOSE
                   : hit == HTMINBUTTON ? SC_MINIMIZE
                                        : (IsZoomed(hwnd) ? SC_RESTORE : SC_MAXIMIZE);
  SendMessageW(hwnd, WM_SYSCOMMAND, command, 0);
}

void repaintAfter(HWND hwnd) {
  if (!IsWindow(hwnd)) return;
  if (Skinned* d = skinnedData(hwnd)) paintFrame(hwnd, d);
}

// Popups with a plain border get it in the frame colour.
void paintBorder(HWND hwnd) {
  HDC dc = GetWindowDC(hwnd);
  if (!dc) return;
  RECT wr;
  GetWindowRect(hwnd, &wr);
  outline(dc, {0, 0, wr.right - wr.left, wr.bottom - wr.top}, g.colour[Frame]);
  ReleaseDC(hwnd, dc);
}

}  // namespace

int frameBorder(HWND hwnd) { return (GetWindowLongW(hwnd, GWL_STYLE) & WS_THICKFRAME) ? 4 : 2; }

void paintFrame(HWND hwnd, Skinned* d) {
  if (!d->customFrame || !IsWindowVisible(hwnd)) return;
  FrameLayout L;
  layout(hwnd, d, L);
  HDC dc = GetWindowDC(hwnd);
  if (!dc) return;
  ExcludeClipRect(dc, L.border, L.border + L.title, L.width - L.border, L.height - L.border);
  Buffer b;
  if (b.begin(dc, L.width, L.border + L.title)) {
    drawBar(b.dc, hwnd, d, L);
    b.end(0, 0);
  } else {
    drawBar(dc, hwnd, d, L);
  }
  const int barBottom = L.border + L.title;
  fillSolid(dc, {0, barBottom, L.border, L.height}, g.colour[Window]);
  fillSolid(dc, {L.width - L.border, barBottom, L.width, L.height}, g.colour[Window]);
  fillSolid(dc, {0, L.height - L.border, L.width, L.height}, g.colour[Window]);
  fillSolid(dc, {0, barBottom, 1, L.height}, g.colour[Frame]);
  fillSolid(dc, {L.width - 1, barBottom, L.width, L.height}, g.colour[Frame]);
  fillSolid(dc, {0, L.height - 1, L.width, L.height}, g.colour[Frame]);
  ReleaseDC(hwnd, dc);
}

LRESULT frameMessage(HWND hwnd, Skinned* d, UINT msg, WPARAM wp, LPARAM lp, bool& handled) {
  if (d->kind == KindPopup) {
    const LONG style = GetWindowLongW(hwnd, GWL_STYLE);
    if ((style & WS_BORDER) && !(style & (WS_DLGFRAME | WS_THICKFRAME)) &&
        (msg == WM_NCPAINT || msg == WM_NCACTIVATE)) {
      handled = true;
      LRESULT r = DefSubclassProc(hwnd, msg, wp, lp);
      if (IsWindow(hwnd)) paintBorder(hwnd);
      return r;
    }
    return 0;
  }
  if (!d->customFrame) return 0;
  switch (msg) {
    case WM_NCCALCSIZE: {
      RECT* r = wp ? &reinterpret_cast<NCCALCSIZE_PARAMS*>(lp)->rgrc[0] : reinterpret_cast<RECT*>(lp);
      const int b = frameBorder(hwnd);
      r->left += b;
      r->right -= b;
      r->top += b + d->titleHeight;
      r->bottom -= b;
      if (r->right < r->left) r->right = r->left;
      if (r->bottom < r->top) r->bottom = r->top;
      handled = true;
      return 0;
    }
    case WM_NCPAINT:
      paintFrame(hwnd, d);
      handled = true;
      return 0;
    case WM_NCACTIVATE: {
      d->active = wp != 0;
      // -1: the default handling keeps its hands off the frame.
      LRESULT r = DefSubclassProc(hwnd, msg, wp, -1);
      repaintAfter(hwnd);
      handled = true;
      return r;
    }
    case kDrawCaption:
    case kDrawFrame:
      handled = true;
      return 0;
    case WM_NCHITTEST: {
      const int hit = hitTest(hwnd, d, {GET_X_LPARAM(lp), GET_Y_LPARAM(lp)});
      if (hit == HTCLIENT) return 0;  // the window decides about its own area
      handled = true;
      return hit;
    }
    case WM_NCMOUSEMOVE: {
      const int hot = isBox(wp) ? int(wp) : 0;
      if (hot != d->hotButton) {
        d->hotButton = hot;
        paintFrame(hwnd, d);
      }
      if (!d->trackingNc) {
        TRACKMOUSEEVENT t = {sizeof t, TME_LEAVE | TME_NONCLIENT, hwnd, 0};
        d->trackingNc = TrackMouseEvent(&t) != FALSE;
      }
      return 0;
    }
    case WM_NCMOUSELEAVE:
      d->trackingNc = false;
      if (d->hotButton) {
        d->hotButton = 0;
        paintFrame(hwnd, d);
      }
      return 0;
    case WM_NCLBUTTONDOWN:
    case WM_NCLBUTTONDBLCLK:
      handled = true;
      if (isBox(wp)) {
        trackBox(hwnd, int(wp));
        return 0;
      } else {
        LRESULT r = DefSubclassProc(hwnd, msg, wp, lp);
        repaintAfter(hwnd);
        return r;
      }
    case WM_NCLBUTTONUP:
      if (isBox(wp)) {
        handled = true;
        return 0;
      }
      return 0;
    case WM_SETTEXT:
    case WM_SETICON:
    case WM_SYSCOMMAND:
    case WM_NCRBUTTONUP:
    case WM_ENABLE:
    case WM_STYLECHANGED: {
      // The default handling of these draws a caption of its own.
      handled = true;
      LRESULT r = DefSubclassProc(hwnd, msg, wp, lp);
      repaintAfter(hwnd);
      return r;
    }
    case WM_THEMECHANGED:
    case 0x031E:  // WM_DWMCOMPOSITIONCHANGED
      setDwmFrame(hwnd, true);
      return 0;
  }
  return 0;
}

}  // namespace skin
