#include "engine.h"

namespace skin {

void fillSolid(HDC dc, const RECT& r, COLORREF c) {
  if (r.right <= r.left || r.bottom <= r.top) return;
  COLORREF old = SetBkColor(dc, c);
  ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
  SetBkColor(dc, old);
}

void gradient(HDC dc, const RECT& r, COLORREF top, COLORREF bottom) {
  const int h = r.bottom - r.top;
  if (h <= 0) return;
  for (int y = 0; y < h; ++y) {
    RECT row = {r.left, r.top + y, r.right, r.top + y + 1};
    fillSolid(dc, row, h > 1 ? mix(top, bottom, y * 100 / (h - 1)) : top);
  }
}

void outline(HDC dc, const RECT& r, COLORREF c) {
  fillSolid(dc, {r.left, r.top, r.right, r.top + 1}, c);
  fillSolid(dc, {r.left, r.bottom - 1, r.right, r.bottom}, c);
  fillSolid(dc, {r.left, r.top, r.left + 1, r.bottom}, c);
  fillSolid(dc, {r.right - 1, r.top, r.right, r.bottom}, c);
}

void line(HDC dc, int x1, int y1, int x2, int y2, COLORREF c) {
  HPEN pen = CreatePen(PS_SOLID, 1, c);
  HGDIOBJ old = SelectObject(dc, pen);
  MoveToEx(dc, x1, y1, nullptr);
  LineTo(dc, x2, y2);
  SelectObject(dc, old);
  DeleteObject(pen);
}

void roundedFace(HDC dc, const RECT& r, int radius, COLORREF top, COLORREF bottom, COLORREF border,
                 COLORREF outside) {
  fillSolid(dc, r, outside);
  if (radius <= 0) {
    gradient(dc, r, top, bottom);
    outline(dc, r, border);
    return;
  }
  HRGN shape = CreateRoundRectRgn(r.left, r.top, r.right + 1, r.bottom + 1, radius * 2, radius * 2);
  SelectClipRgn(dc, shape);
  gradient(dc, r, top, bottom);
  SelectClipRgn(dc, nullptr);
  // The outline as a pen-drawn rounded rectangle: smoother than framing the region.
  HPEN pen = CreatePen(PS_SOLID, 1, border);
  HGDIOBJ oldPen = SelectObject(dc, pen);
  HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
  RoundRect(dc, r.left, r.top, r.right, r.bottom, radius * 2, radius * 2);
  SelectObject(dc, oldBrush);
  SelectObject(dc, oldPen);
  DeleteObject(pen);
  DeleteObject(shape);
}

bool Buffer::begin(HDC onto, int w, int h) {
  target = onto;
  width = w;
  height = h;
  dc = nullptr;
  bitmap = nullptr;
  old = nullptr;
  if (w <= 0 || h <= 0) return false;
  dc = CreateCompatibleDC(onto);
  bitmap = dc ? CreateCompatibleBitmap(onto, w, h) : nullptr;
  if (!bitmap) {
    if (dc) DeleteDC(dc);
    dc = nullptr;
    return false;
  }
  old = SelectObject(dc, bitmap);
  SetBkMode(dc, TRANSPARENT);
  return true;
}

void Buffer::end(int x, int y) {
  if (!dc) return;
  BitBlt(target, x, y, width, height, dc, 0, 0, SRCCOPY);
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  dc = nullptr;
}

}  // namespace skin
