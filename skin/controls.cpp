// Painting of the controls the engine draws itself, and the parent's side of
// the colour and custom-draw messages.
#include "engine.h"

#include <commctrl.h>

namespace skin {

namespace {

// Text of a window into a stack buffer, cut at its size.
int windowText(HWND hwnd, WCHAR* buffer, int size) {
  buffer[0] = 0;
  int n = GetWindowTextW(hwnd, buffer, size);
  return n < 0 ? 0 : n;
}

HGDIOBJ selectFont(HDC dc, HWND hwnd) {
  HFONT font = reinterpret_cast<HFONT>(SendMessageW(hwnd, WM_GETFONT, 0, 0));
  return SelectObject(dc, font ? static_cast<HGDIOBJ>(font) : GetStockObject(DEFAULT_GUI_FONT));
}

bool isPushButton(HWND hwnd) {
  const LONG style = GetWindowLongW(hwnd, GWL_STYLE);
  const LONG type = style & BS_TYPEMASK;
  return (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON) && !(style & (BS_BITMAP | BS_ICON));
}

// ---- push button ----

void paintButton(HWND hwnd, const Skinned* d, HDC target) {
  RECT rc;
  GetClientRect(hwnd, &rc);
  Buffer b;
  const bool buffered = b.begin(target, rc.right, rc.bottom);
  HDC dc = buffered ? b.dc : target;
  const LONG style = GetWindowLongW(hwnd, GWL_STYLE);
  const LRESULT state = SendMessageW(hwnd, BM_GETSTATE, 0, 0);
  const bool pushed = (state & BST_PUSHED) != 0, focus = (state & BST_FOCUS) != 0;
  const bool enabled = IsWindowEnabled(hwnd) != FALSE;
  const bool isDefault = (style & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
  COLORREF top = g.colour[Face], bottom = g.colour[Face2];
  if (!enabled) {
    top = bottom = mix(g.colour[Face2], g.colour[Window], 50);
  } else if (pushed) {
    top = g.colour[Pressed];
    bottom = g.colour[Pressed2];
  } else if (d->hover) {
    top = g.colour[Hot];
    bottom = g.colour[Hot2];
  }
  const COLORREF border = !enabled ? mix(g.colour[Border], g.colour[Window], 50)
                          : (isDefault || focus || d->hover) ? g.colour[Accent]
                                                             : g.colour[Border];
  roundedFace(dc, rc, g.base.radius, top, bottom, border, g.colour[Window]);

  WCHAR caption[256];
  const int n = windowText(hwnd, caption, 256);
  const LRESULT ui = SendMessageW(hwnd, WM_QUERYUISTATE, 0, 0);
  if (n > 0) {
    HGDIOBJ old = selectFont(dc, hwnd);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, enabled ? g.colour[Text] : g.colour[Disabled]);
    RECT tr = {rc.left + 4, rc.top + 2, rc.right - 4, rc.bottom - 2};
    if (pushed) OffsetRect(&tr, 1, 1);
    UINT flags = (ui & UISF_HIDEACCEL) ? DT_HIDEPREFIX : 0;
    const LONG align = style & (BS_LEFT | BS_RIGHT | BS_CENTER);
    flags |= align == BS_LEFT ? DT_LEFT : align == BS_RIGHT ? DT_RIGHT : DT_CENTER;
    if (style & BS_MULTILINE) {
      RECT measure = tr;
      DrawTextW(dc, caption, n, &measure, flags | DT_WORDBREAK | DT_CALCRECT);
      const int shift = ((tr.bottom - tr.top) - (measure.bottom - measure.top)) / 2;
      if (shift > 0) tr.top += shift;
      DrawTextW(dc, caption, n, &tr, flags | DT_WORDBREAK);
    } else {
      DrawTextW(dc, caption, n, &tr, flags | DT_SINGLELINE | DT_VCENTER);
    }
    SelectObject(dc, old);
  }
  if (focus && !(ui & UISF_HIDEFOCUS)) {
    RECT f = {rc.left + 3, rc.top + 3, rc.right - 3, rc.bottom - 3};
    SetTextColor(dc, g.colour[Text]);
    SetBkColor(dc, top);
    DrawFocusRect(dc, &f);
  }
  if (buffered) b.end(0, 0);
}

void repaintButton(HWND hwnd) {
  Skinned* d = skinnedData(hwnd);
  if (!d || !IsWindowVisible(hwnd) || !isPushButton(hwnd)) return;
  HDC dc = GetDC(hwnd);
  if (!dc) return;
  paintButton(hwnd, d, dc);
  ReleaseDC(hwnd, dc);
}

// ---- list header ----

void paintHeader(HWND hwnd, HDC target) {
  RECT rc;
  GetClientRect(hwnd, &rc);
  Buffer b;
  const bool buffered = b.begin(target, rc.right, rc.bottom);
  HDC dc = buffered ? b.dc : target;
  gradient(dc, rc, g.colour[Header], g.colour[Header2]);
  fillSolid(dc, {rc.left, rc.bottom - 1, rc.right, rc.bottom}, g.colour[Border]);
  HGDIOBJ old = selectFont(dc, hwnd);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, g.colour[Text]);
  const int count = int(SendMessageW(hwnd, HDM_GETITEMCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    RECT ir;
    if (!SendMessageW(hwnd, HDM_GETITEMRECT, WPARAM(i), reinterpret_cast<LPARAM>(&ir))) continue;
    WCHAR caption[128] = {};
    HDITEMW item = {};
    item.mask = HDI_TEXT | HDI_FORMAT;
    item.pszText = caption;
    item.cchTextMax = 128;
    SendMessageW(hwnd, HDM_GETITEMW, WPARAM(i), reinterpret_cast<LPARAM>(&item));
    fillSolid(dc, {ir.right - 1, ir.top + 4, ir.right, ir.bottom - 4}, g.colour[Border]);
    RECT tr = {ir.left + 6, ir.top, ir.right - 6, ir.bottom - 1};
    const int justify = item.fmt & HDF_JUSTIFYMASK;
    DrawTextW(dc, caption, -1, &tr,
              DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX |
                  (justify == HDF_CENTER ? DT_CENTER : justify == HDF_RIGHT ? DT_RIGHT : DT_LEFT));
  }
  SelectObject(dc, old);
  if (buffered) b.end(0, 0);
}

// ---- tab control ----

void paintTabs(HWND hwnd, HDC target) {
  RECT rc;
  GetClientRect(hwnd, &rc);
  Buffer b;
  const bool buffered = b.begin(target, rc.right, rc.bottom);
  HDC dc = buffered ? b.dc : target;
  fillSolid(dc, rc, g.colour[Window]);
  const int count = int(SendMessageW(hwnd, TCM_GETITEMCOUNT, 0, 0));
  const int selected = int(SendMessageW(hwnd, TCM_GETCURSEL, 0, 0));
  int paneTop = rc.top;
  for (int i = 0; i < count; ++i) {
    RECT ir;
    if (SendMessageW(hwnd, TCM_GETITEMRECT, WPARAM(i), reinterpret_cast<LPARAM>(&ir)) && ir.bottom > paneTop)
      paneTop = ir.bottom;
  }
  const RECT pane = {rc.left, paneTop, rc.right, rc.bottom};
  outline(dc, pane, g.colour[Border]);
  HGDIOBJ old = selectFont(dc, hwnd);
  SetBkMode(dc, TRANSPARENT);
  for (int i = 0; i < count; ++i) {
    RECT ir;
    if (!SendMessageW(hwnd, TCM_GETITEMRECT, WPARAM(i), reinterpret_cast<LPARAM>(&ir))) continue;
    ir.bottom = paneTop;
    if (i == selected) {
      ir.top -= 2;
      fillSolid(dc, ir, g.colour[Window]);
      fillSolid(dc, {ir.left, ir.top, ir.right, ir.top + 2}, g.colour[Accent]);
      fillSolid(dc, {ir.left, ir.top, ir.left + 1, ir.bottom}, g.colour[Border]);
      fillSolid(dc, {ir.right - 1, ir.top, ir.right, ir.bottom}, g.colour[Border]);
    } else {
      RECT face = {ir.left, ir.top + 1, ir.right, ir.bottom};
      gradient(dc, face, g.colour[Face], g.colour[Face2]);
      outline(dc, face, g.colour[Border]);
    }
    WCHAR caption[128] = {};
    TCITEMW item = {};
    item.mask = TCIF_TEXT;
    item.pszText = caption;
    item.cchTextMax = 128;
    SendMessageW(hwnd, TCM_GETITEMW, WPARAM(i), reinterpret_cast<LPARAM>(&item));
    SetTextColor(dc, g.colour[Text]);
    DrawTextW(dc, caption, -1, &ir, DT_SINGLELINE | DT_VCENTER | DT_CENTER | DT_NOPREFIX);
  }
  SelectObject(dc, old);
  if (buffered) b.end(0, 0);
}

// ---- status bar ----

void paintStatus(HWND hwnd, HDC target) {
  RECT rc;
  GetClientRect(hwnd, &rc);
  Buffer b;
  const bool buffered = b.begin(target, rc.right, rc.bottom);
  HDC dc = buffered ? b.dc : target;
  gradient(dc, rc, g.colour[Window], mix(g.colour[Window], g.colour[Border], 22));
  fillSolid(dc, {rc.left, rc.top, rc.right, rc.top + 1}, g.colour[Border]);
  HGDIOBJ old = selectFont(dc, hwnd);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, g.colour[Text]);
  const bool simple = SendMessageW(hwnd, SB_ISSIMPLE, 0, 0) != 0;
  const int parts = simple ? 1 : int(SendMessageW(hwnd, SB_GETPARTS, 0, 0));
  for (int i = 0; i < parts && i < 64; ++i) {
    const int index = simple ? SB_SIMPLEID : i;
    RECT pr = rc;
    if (!simple) SendMessageW(hwnd, SB_GETRECT, WPARAM(i), reinterpret_cast<LPARAM>(&pr));
    const LRESULT info = SendMessageW(hwnd, SB_GETTEXTLENGTHW, WPARAM(index), 0);
    if (HIWORD(info) & (SBT_OWNERDRAW >> 8)) continue;
    WCHAR caption[256] = {};
    if (LOWORD(info) < 256) SendMessageW(hwnd, SB_GETTEXTW, WPARAM(index), reinterpret_cast<LPARAM>(caption));
    RECT tr = {pr.left + 6, pr.top + 1, pr.right - 4, pr.bottom};
    DrawTextW(dc, caption, -1, &tr, DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX);
    if (i + 1 < parts) fillSolid(dc, {pr.right - 1, pr.top + 4, pr.right, pr.bottom - 3}, g.colour[Border]);
  }
  SelectObject(dc, old);
  if (buffered) b.end(0, 0);
}

// ---- progress bar ----

void paintProgress(HWND hwnd, HDC target) {
  RECT rc;
  GetClientRect(hwnd, &rc);
  Buffer b;
  const bool buffered = b.begin(target, rc.right, rc.bottom);
  HDC dc = buffered ? b.dc : target;
  fillSolid(dc, rc, g.colour[Field]);
  outline(dc, rc, g.colour[Border]);
  const int low = int(SendMessageW(hwnd, PBM_GETRANGE, TRUE, 0));
  const int high = int(SendMessageW(hwnd, PBM_GETRANGE, FALSE, 0));
  int pos = int(SendMessageW(hwnd, PBM_GETPOS, 0, 0));
  if (pos < low) pos = low;
  if (pos > high) pos = high;
  const RECT inner = {rc.left + 1, rc.top + 1, rc.right - 1, rc.bottom - 1};
  if (high > low && inner.right > inner.left) {
    const long long span = inner.right - inner.left;
    RECT done = inner;
    done.right = inner.left + int(span * (pos - low) / (high - low));
    gradient(dc, done, mix(g.colour[Accent], RGB(255, 255, 255), 35), g.colour[Accent]);
  }
  if (buffered) b.end(0, 0);
}

// ---- etched separator ----

void paintEtched(HWND hwnd, HDC dc) {
  RECT rc;
  GetClientRect(hwnd, &rc);
  const LONG type = GetWindowLongW(hwnd, GWL_STYLE) & SS_TYPEMASK;
  if (type == SS_ETCHEDHORZ) {
    fillSolid(dc, {rc.left, rc.top, rc.right, rc.top + 1}, g.colour[Border]);
    fillSolid(dc, {rc.left, rc.top + 1, rc.right, rc.top + 2}, g.colour[Light]);
  } else if (type == SS_ETCHEDVERT) {
    fillSolid(dc, {rc.left, rc.top, rc.left + 1, rc.bottom}, g.colour[Border]);
    fillSolid(dc, {rc.left + 1, rc.top, rc.left + 2, rc.bottom}, g.colour[Light]);
  } else {
    outline(dc, rc, g.colour[Border]);
    outline(dc, {rc.left + 1, rc.top + 1, rc.right - 1, rc.bottom - 1}, g.colour[Light]);
  }
}

// Outline of edit boxes, lists and framed containers, over the platform's edge.
void paintEdge(HWND hwnd, bool field) {
  HDC dc = GetWindowDC(hwnd);
  if (!dc) return;
  RECT wr;
  GetWindowRect(hwnd, &wr);
  const RECT outer = {0, 0, wr.right - wr.left, wr.bottom - wr.top};
  const bool focused = GetFocus() == hwnd && field;
  outline(dc, outer, focused ? g.colour[Accent] : g.colour[Border]);
  if (GetWindowLongW(hwnd, GWL_EXSTYLE) & WS_EX_CLIENTEDGE)
    outline(dc, {1, 1, outer.right - 1, outer.bottom - 1}, field ? g.colour[Field] : g.colour[Window]);
  ReleaseDC(hwnd, dc);
}

bool hasEdge(HWND hwnd) {
  return (GetWindowLongW(hwnd, GWL_EXSTYLE) & WS_EX_CLIENTEDGE) || (GetWindowLongW(hwnd, GWL_STYLE) & WS_BORDER);
}

// Slider channel and thumb in the palette; ticks stay the platform's.
LRESULT drawTrackbar(const NMCUSTOMDRAW* cd) {
  if (cd->dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
  if (cd->dwDrawStage != CDDS_ITEMPREPAINT) return CDRF_DODEFAULT;
  const bool vertical = (GetWindowLongW(cd->hdr.hwndFrom, GWL_STYLE) & TBS_VERT) != 0;
  if (cd->dwItemSpec == TBCD_CHANNEL) {
    RECT r = cd->rc;
    if (vertical) {
      const int cx = (r.left + r.right) / 2;
      r.left = cx - 2;
      r.right = cx + 2;
    } else {
      const int cy = (r.top + r.bottom) / 2;
      r.top = cy - 2;
      r.bottom = cy + 2;
    }
    roundedFace(cd->hdc, r, 2, mix(g.colour[Border], g.colour[Window], 30), mix(g.colour[Border], g.colour[Window], 55),
                g.colour[Border], g.colour[Window]);
    return CDRF_SKIPDEFAULT;
  }
  if (cd->dwItemSpec == TBCD_THUMB) {
    const bool pressed = (cd->uItemState & CDIS_SELECTED) != 0, hot = (cd->uItemState & CDIS_HOT) != 0;
    const COLORREF top = pressed ? g.colour[Pressed] : hot ? g.colour[Hot] : g.colour[Face];
    const COLORREF bottom = pressed ? g.colour[Pressed2] : hot ? g.colour[Hot2] : g.colour[Face2];
    roundedFace(cd->hdc, cd->rc, g.base.radius, top, bottom, g.colour[Accent], g.colour[Window]);
    return CDRF_SKIPDEFAULT;
  }
  return CDRF_DODEFAULT;
}

// The answer to a colour message, put into the palette unless the window chose
// colours of its own.
LRESULT fixColours(UINT msg, HDC dc, HWND child, LRESULT answer) {
  if (msg == WM_CTLCOLORSCROLLBAR || isDetached(child)) return answer;
  const bool field = msg == WM_CTLCOLOREDIT || msg == WM_CTLCOLORLISTBOX ||
                     (msg == WM_CTLCOLORSTATIC && hasClass(child, L"Edit"));
  // A brush of the window's own (a picture showing through, say) stays; only
  // the text follows the skin then.
  const int role = answer ? roleOfBrush(reinterpret_cast<HBRUSH>(answer)) : (field ? Field : Window);
  if (role >= 0) {
    SetBkColor(dc, g.colour[role]);
    answer = reinterpret_cast<LRESULT>(g.brush[role]);
  }
  const COLORREF text = GetTextColor(dc);
  if (text == RGB(0, 0, 0) || text == g.realGetSysColor(COLOR_WINDOWTEXT) || text == g.realGetSysColor(COLOR_BTNTEXT))
    SetTextColor(dc, g.colour[field ? FieldText : Text]);
  return answer;
}

}  // namespace

LRESULT controlMessage(HWND hwnd, Skinned* d, UINT msg, WPARAM wp, LPARAM lp, bool& handled) {
  auto paintWith = [&](void (*paint)(HWND, HDC)) -> LRESULT {
    handled = true;
    if (msg == WM_PRINTCLIENT) {
      paint(hwnd, reinterpret_cast<HDC>(wp));
      return 0;
    }
    PAINTSTRUCT ps;
    HDC dc = wp ? reinterpret_cast<HDC>(wp) : BeginPaint(hwnd, &ps);
    if (dc) paint(hwnd, dc);
    if (!wp) EndPaint(hwnd, &ps);
    return 0;
  };
  switch (d->kind) {
    case KindButton:
      if (!isPushButton(hwnd)) return 0;
      switch (msg) {
        case WM_PAINT:
        case WM_PRINTCLIENT: {
          handled = true;
          if (msg == WM_PRINTCLIENT || wp) {
            paintButton(hwnd, d, reinterpret_cast<HDC>(wp));
            return 0;
          }
          PAINTSTRUCT ps;
          HDC dc = BeginPaint(hwnd, &ps);
          if (dc) paintButton(hwnd, d, dc);
          EndPaint(hwnd, &ps);
          return 0;
        }
        case WM_ERASEBKGND:
          handled = true;
          return 1;
        case WM_MOUSEMOVE:
          if (!d->hover) {
            d->hover = true;
            TRACKMOUSEEVENT t = {sizeof t, TME_LEAVE, hwnd, 0};
            d->trackingMouse = TrackMouseEvent(&t) != FALSE;
            repaintButton(hwnd);
          }
          return 0;
        case WM_MOUSELEAVE:
          d->trackingMouse = false;
          d->hover = false;
          repaintButton(hwnd);
          return 0;
        case BM_SETSTATE:
        case BM_SETCHECK:
        case BM_SETSTYLE:
        case WM_SETTEXT:
        case WM_ENABLE:
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
        case WM_UPDATEUISTATE:
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP:
        case WM_LBUTTONDBLCLK:
        case WM_KEYDOWN:
        case WM_KEYUP:
        case WM_CAPTURECHANGED:
        case WM_SETFONT:
        case WM_STYLECHANGED: {
          // The platform's button draws itself straight away on these; draw over it.
          handled = true;
          LRESULT r = DefSubclassProc(hwnd, msg, wp, lp);
          if (IsWindow(hwnd)) repaintButton(hwnd);
          return r;
        }
      }
      return 0;
    case KindHeader:
      if (msg == WM_PAINT || msg == WM_PRINTCLIENT) return paintWith(paintHeader);
      if (msg == WM_ERASEBKGND) {
        handled = true;
        return 1;
      }
      return 0;
    case KindTab:
      if (msg == WM_PAINT || msg == WM_PRINTCLIENT) return paintWith(paintTabs);
      if (msg == WM_ERASEBKGND) {
        RECT rc;
        GetClientRect(hwnd, &rc);
        fillSolid(reinterpret_cast<HDC>(wp), rc, g.colour[Window]);
        handled = true;
        return 1;
      }
      return 0;
    case KindStatus:
      if (msg == WM_PAINT || msg == WM_PRINTCLIENT) return paintWith(paintStatus);
      if (msg == WM_ERASEBKGND) {
        handled = true;
        return 1;
      }
      return 0;
    case KindProgress:
      if (msg == WM_PAINT || msg == WM_PRINTCLIENT) return paintWith(paintProgress);
      if (msg == WM_ERASEBKGND) {
        handled = true;
        return 1;
      }
      return 0;
    case KindEtched:
      if (msg == WM_PAINT || msg == WM_PRINTCLIENT) return paintWith(paintEtched);
      if (msg == WM_ERASEBKGND) {
        handled = true;
        return 1;
      }
      return 0;
    case KindToolbar:
      if (msg == WM_ERASEBKGND) {
        RECT rc;
        GetClientRect(hwnd, &rc);
        fillSolid(reinterpret_cast<HDC>(wp), rc, g.colour[Window]);
        handled = true;
        return 1;
      }
      return 0;
    case KindEdit:
    case KindList:
    case KindContainer:
      if (!hasEdge(hwnd)) return 0;
      if (msg == WM_NCPAINT || ((msg == WM_SETFOCUS || msg == WM_KILLFOCUS) && d->kind != KindContainer)) {
        handled = true;
        LRESULT r = DefSubclassProc(hwnd, msg, wp, lp);
        if (IsWindow(hwnd)) paintEdge(hwnd, d->kind != KindContainer);
        return r;
      }
      return 0;
    default:
      return 0;
  }
}

LRESULT parentMessage(HWND hwnd, Skinned* d, UINT msg, WPARAM wp, LPARAM lp, bool& handled) {
  switch (msg) {
    case WM_ERASEBKGND: {
      if (d->kind != KindFrame && d->kind != KindPopup && d->kind != KindContainer) return 0;
      // Windows erased with a system colour by their class take the palette's;
      // those that erase themselves paint what they like.
      const ULONG_PTR classBrush = GetClassLongPtrW(hwnd, GCLP_HBRBACKGROUND);
      int role = -1;
      if (classBrush > 0 && classBrush <= 31)
        role = roleOfSystemColour(int(classBrush) - 1);
      else if (classBrush)
        role = roleOfBrush(reinterpret_cast<HBRUSH>(classBrush));
      if (role < 0) return 0;
      RECT rc;
      GetClientRect(hwnd, &rc);
      fillSolid(reinterpret_cast<HDC>(wp), rc, g.colour[role]);
      handled = true;
      return 1;
    }
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC: {
      handled = true;
      LRESULT answer = DefSubclassProc(hwnd, msg, wp, lp);
      return fixColours(msg, reinterpret_cast<HDC>(wp), reinterpret_cast<HWND>(lp), answer);
    }
    case WM_NOTIFY: {
      auto* nm = reinterpret_cast<const NMHDR*>(lp);
      if (nm && nm->code == UINT(NM_CUSTOMDRAW) && nm->hwndFrom && !isDetached(nm->hwndFrom) &&
          hasClass(nm->hwndFrom, TRACKBAR_CLASSW)) {
        handled = true;
        return drawTrackbar(reinterpret_cast<const NMCUSTOMDRAW*>(lp));
      }
      return 0;
    }
  }
  return 0;
}

}  // namespace skin
