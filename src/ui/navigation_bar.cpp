#include "ui/navigation_bar.h"

#include <windowsx.h>

#include <algorithm>

#include "ui/graphics.h"
#include "util/text.h"

namespace {

// The host window finds its bar through this property.
const wchar_t kBarProperty[] = L"Quorvane.NavigationBar";
constexpr float kTolerance = 1e-7f;
constexpr int kGap = 5;  // pixels before each button

gfx::ARGB white(int alpha) { return gfx::argb(alpha, 255, 255, 255); }
gfx::ARGB black(int alpha) { return gfx::argb(alpha, 0, 0, 0); }

void roundedRectangle(gfx::GraphicsPath& p, float x, float y, float w, float h, float r) {
  r = std::clamp(r, 1.0f, 100.0f);
  p.reset();
  p.addArc(x + w - r, y, r, r, 270, 90);
  p.addArc(x + w - r - 1, y + h - r - 1, r + 1, r + 1, 0, 90);
  p.addArc(x, y + h - r, r, r, 90, 90);
  p.addArc(x, y, r, r, 180, 90);
  p.closeFigure();
}

void topRounded(gfx::GraphicsPath& p, float x, float y, float w, float h, float r) {
  p.reset();
  p.addLine(x, y + h, x, y + r);
  p.addArc(x, y, r, r, 180, 90);
  p.addLine(x + r, y, x + w - r, y);
  p.addArc(x + w - r, y, r, r, 270, 90);
  p.addLine(x + w, y + r, x + w, y + h);
}

void fillTopRounded(gfx::Graphics& g, float x, float y, float w, float h, float gradientEndY, int alphaFrom,
                    int alphaTo) {
  gfx::GraphicsPath path;
  topRounded(path, x, y, w, h, 5);
  gfx::LinearGradientBrush brush({x, y}, {x, gradientEndY}, white(alphaFrom), white(alphaTo));
  g.fillPath(brush, path);
}

void drawFrames(gfx::Graphics& g, float x, float w, float h, int innerAlpha) {
  gfx::GraphicsPath path;
  gfx::Pen outer(black(60), 1);
  roundedRectangle(path, x, 0, w - 1, h - 1, 5);
  g.drawPath(outer, path);
  gfx::Pen inner(white(innerAlpha), 1);
  roundedRectangle(path, x + 1, 1, w - 3, h - 3, 5);
  g.drawPath(inner, path);
}

}  // namespace

NavigationBar::NavigationBar() = default;

NavigationBar::~NavigationBar() { destroy(); }

bool NavigationBar::create(HWND host, int buttonWidth, int buttonHeight, COLORREF textColour, COLORREF background,
                           bool radioMode) {
  destroy();
  if (!IsWindow(host)) return false;
  host_ = host;
  buttonWidth_ = buttonWidth;
  buttonHeight_ = buttonHeight;
  textColour_ = textColour;
  background_ = background;
  radioMode_ = radioMode;
  RECT parent{}, own{};
  GetClientRect(GetParent(host) ? GetParent(host) : host, &parent);
  GetClientRect(host, &own);
  barWidth_ = parent.right > 0 ? int(parent.right) : int(own.right);
  barHeight_ = int(own.bottom);
  backgroundBrush_ = std::make_unique<gfx::SolidBrush>(gfx::fromColorRef(background_, 255));
  fontFamily_ = std::make_unique<gfx::FontFamily>(L"宋体");
  font_ = std::make_unique<gfx::Font>(*fontFamily_, 12.0f);
  SetWindowLongPtrW(host, GWL_EXSTYLE, GetWindowLongPtrW(host, GWL_EXSTYLE) | WS_EX_TRANSPARENT);
  SetPropW(host, kBarProperty, this);
  previousProc_ = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(host, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&NavigationBar::hostProc)));
  fullRedraw_ = true;
  return true;
}

void NavigationBar::setClickRoutine(std::function<void(int)> routine) { clickRoutine_ = std::move(routine); }

void NavigationBar::addButton(const NavigationButton& templateButton) {
  NavigationButton b = templateButton;
  int n = int(buttons_.size()) + 1;
  float left = float((n - 1) * buttonWidth_ + kGap * n);
  if (radioMode_ && buttons_.empty()) {
    b.selected = 1;
    lastClicked_ = 1;
  }
  pictures_.push_back(std::make_unique<gfx::Bitmap>(gfx::Bitmap::decode(b.picture)));
  buttons_.push_back(std::move(b));
  rects_.push_back({left, 0, float(buttonWidth_), float(buttonHeight_)});
  looks_.push_back(Look::none);
}

void NavigationBar::addSeparator(int afterButtonCount) { separators_.push_back(afterButtonCount); }

void NavigationBar::repaint() {
  fullRedraw_ = true;
  if (host_) InvalidateRect(host_, nullptr, FALSE);
}

void NavigationBar::selectButton(int n) {
  if (n < 1 || n > buttonCount()) return;
  int before = lastClicked_;
  if (radioMode_)
    for (auto& b : buttons_) b.selected = 0;
  buttons_[size_t(n - 1)].selected = 1;
  if (before >= 1 && before != n) redrawButton(before);
  redrawButton(n);
  lastClicked_ = n;
}

bool NavigationBar::isSelected(int n) const {
  if (n < 1 || n > buttonCount()) return false;
  return buttons_[size_t(n - 1)].selected != 0;
}

void NavigationBar::destroy() {
  reset();
  if (host_) {
    if (GetWindowLongPtrW(host_, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&NavigationBar::hostProc))
      SetWindowLongPtrW(host_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previousProc_));
    RemovePropW(host_, kBarProperty);
  }
  host_ = nullptr;
  previousProc_ = nullptr;
  buttons_.clear();
  pictures_.clear();
  rects_.clear();
  looks_.clear();
  separators_.clear();
  lastClicked_ = 0;
  clickRoutine_ = nullptr;
  backgroundBrush_.reset();
  font_.reset();
  fontFamily_.reset();
}

NavigationBar::RectF NavigationBar::buttonRect(int n) const {
  if (n < 1 || n > buttonCount()) return {};
  return rects_[size_t(n - 1)];
}

int NavigationBar::separatorX(int index) const {
  if (index < 0 || size_t(index) >= separators_.size()) return -1;
  int d = separators_[size_t(index)];
  return d * buttonWidth_ + kGap * d + 2;
}

int NavigationBar::hitTest(float x) const {
  for (size_t i = 0; i < rects_.size(); ++i) {
    const RectF& r = rects_[i];
    if (x - r.left > kTolerance && r.left + r.width - x > kTolerance) return int(i) + 1;
  }
  return 0;
}

NavigationBar::Look NavigationBar::lookOf(int n) const {
  if (n < 1 || n > buttonCount()) return Look::none;
  return looks_[size_t(n - 1)];
}

LRESULT CALLBACK NavigationBar::hostProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* bar = static_cast<NavigationBar*>(GetPropW(hwnd, kBarProperty));
  if (!bar) return DefWindowProcW(hwnd, msg, wp, lp);
  return bar->windowProc(hwnd, msg, wp, lp);
}

LRESULT NavigationBar::windowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  WNDPROC previous = previousProc_;
  switch (msg) {
    case WM_DESTROY:
      reset();
      break;
    case WM_NCDESTROY: {
      // The host is going: give it its own procedure back before it ends.
      SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
      RemovePropW(hwnd, kBarProperty);
      host_ = nullptr;
      return CallWindowProcW(previous, hwnd, msg, wp, lp);
    }
    case WM_NCHITTEST:
      // A label lets the mouse fall through to its parent; the bar needs it.
      return HTCLIENT;
    case WM_SIZE:
      fullRedraw_ = true;
      break;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      if (fullRedraw_ || !backDc_)
        fullPaint(dc);
      else
        copyToWindow(ps.rcPaint, dc);
      EndPaint(hwnd, &ps);
      return DefWindowProcW(hwnd, msg, wp, lp);
    }
    case WM_ERASEBKGND:
      return 1;
    case WM_MOUSEMOVE: {
      TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, hwnd, 0};
      TrackMouseEvent(&track);
      mouseMove(GET_X_LPARAM(lp));
      break;
    }
    case WM_LBUTTONDOWN:
      if (hot_ >= 1) drawButton(hot_, false, false, true);
      break;
    case WM_LBUTTONUP:
      buttonUp(GET_X_LPARAM(lp));
      break;
    case WM_MOUSELEAVE:
      hot_ = 0;
      setHotButton(0);
      drawnHot_ = 0;
      break;
    default:
      break;
  }
  return CallWindowProcW(previous, hwnd, msg, wp, lp);
}

void NavigationBar::reset() {
  hot_ = 0;
  drawnHot_ = 0;
  fullRedraw_ = true;
  if (backDc_) {
    SelectObject(backDc_, backOldBitmap_);
    DeleteDC(backDc_);
    backDc_ = nullptr;
  }
  if (backBitmap_) {
    DeleteObject(backBitmap_);
    backBitmap_ = nullptr;
  }
  backOldBitmap_ = nullptr;
}

bool NavigationBar::ensureBackBuffer() {
  if (backDc_) return true;
  fullPaint(nullptr);
  return backDc_ != nullptr;
}

void NavigationBar::fullPaint(HDC target) {
  if (barWidth_ <= 0 || barHeight_ <= 0) return;
  gfx::Bitmap surface(barWidth_, barHeight_);
  HBITMAP bitmap = surface.toHbitmap(0);
  if (!bitmap) return;
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  ReleaseDC(nullptr, screen);
  if (!dc) {
    DeleteObject(bitmap);
    return;
  }
  reset();
  backDc_ = dc;
  backBitmap_ = bitmap;
  backOldBitmap_ = SelectObject(dc, bitmap);
  drawBackground();
  for (int n = 1; n <= buttonCount(); ++n) drawButton(n, true, false, false);
  if (target) {
    RECT all{0, 0, barWidth_, barHeight_};
    copyToWindow(all, target);
  }
  fullRedraw_ = target == nullptr;  // a buffer built off-screen is still to be shown whole
}

void NavigationBar::drawBackground() {
  gfx::Graphics g(backDc_);
  g.fillRectangle(*backgroundBrush_, {0, 0, float(barWidth_), float(barHeight_)});
  gfx::Pen line(black(80), 1);
  for (size_t i = 0; i < separators_.size(); ++i) {
    float x = float(separatorX(int(i)));
    g.drawLine(line, x, 4, x, float(buttonHeight_));
  }
}

void NavigationBar::drawButton(int n, bool backBufferOnly, bool hover, bool pressed) {
  if (n < 1 || n > buttonCount()) return;
  if (!backBufferOnly && !ensureBackBuffer()) return;
  const NavigationButton& b = buttons_[size_t(n - 1)];
  const RectF& r = rects_[size_t(n - 1)];
  const float x = r.left, w = float(buttonWidth_), h = float(buttonHeight_);
  const bool selected = b.selected != 0;

  gfx::Graphics g(backDc_);
  g.setSmoothing(true);
  if (!backBufferOnly) g.fillRectangle(*backgroundBrush_, {r.left, r.top, r.width, r.height});

  Look look = Look::normal;
  if (hover && !selected) {
    look = Look::hover;
    fillTopRounded(g, x + 1, 1, w - 3, float((buttonHeight_ - 2) / 2), h / 2, 120, 40);
    gfx::GraphicsPath glow;
    glow.addArc(x + 1, 0.65f * h, w - 3, h - 0.35f * h, 180, 180);
    gfx::PathGradientBrush glowBrush(glow);
    glowBrush.setCenterPoint({x + w / 2, h});
    glowBrush.setCenterColor(white(150));
    glowBrush.setSurroundColors({white(0)});
    g.fillPath(glowBrush, glow);
    drawFrames(g, x, w, h, 170);
  } else if (selected || pressed) {
    look = pressed ? Look::pressed : Look::selected;
    drawFrames(g, x, w, h, 80);
    if (pressed)
      fillTopRounded(g, x + 1, 1, w - 3, h - 2, h - 2, 0, 100);
    else
      fillTopRounded(g, x + 1, 1, w - 3, h / 2, h / 2, 100, 0);
  }
  looks_[size_t(n - 1)] = look;

  const gfx::Bitmap& picture = *pictures_[size_t(n - 1)];
  g.setHighQualityScaling();
  if (!b.caption.empty()) {
    float s = (h - 13) * 0.8f;
    g.drawImage(picture, {x + (w - s) / 2, 0.05f * h, s, s});
    gfx::StringFormat format;
    format.setAlignment(Gdiplus::StringAlignmentCenter);
    gfx::SolidBrush ink(gfx::fromColorRef(textColour_, 255));
    g.setTextAntiAlias();
    if (font_) g.drawString(text::toWide(b.caption), *font_, {x, 0.05f * h + s + 2, w, h - s}, format, ink);
  } else {
    float s = 0.7f * std::min(w, h);
    g.drawImage(picture, {x + (w - s) / 2, (h - s) / 2, s, s});
  }

  if (!backBufferOnly && host_) {
    RECT area{LONG(r.left), LONG(r.top), LONG(r.left + r.width), LONG(r.top + r.height)};
    HDC window = GetDC(host_);
    copyToWindow(area, window);
    ReleaseDC(host_, window);
  }
}

void NavigationBar::copyToWindow(const RECT& r, HDC target) {
  if (!backDc_ || !target) return;
  BitBlt(target, r.left, r.top, r.right - r.left, r.bottom - r.top, backDc_, r.left, r.top, SRCCOPY);
}

void NavigationBar::mouseMove(int x) {
  hot_ = hitTest(float(x));
  if (hot_ != drawnHot_) setHotButton(hot_);
  if (x > buttonCount() * (buttonWidth_ + kGap) && drawnHot_ >= 1) {
    setHotButton(0);
    drawnHot_ = 0;
  }
}

void NavigationBar::setHotButton(int a) {
  if (drawnHot_ >= 1) {
    redrawButton(drawnHot_);
    if (hot_ == 0) drawnHot_ = 0;
  }
  if (a >= 1 && a <= buttonCount()) {
    drawButton(a, false, true, false);
    drawnHot_ = hot_;
  }
}

void NavigationBar::buttonUp(int x) {
  int b = hitTest(float(x));
  if (b == 0 || b > buttonCount()) return;
  bool wasSelected = false;
  if (radioMode_) {
    wasSelected = buttons_[size_t(b - 1)].selected != 0;
    for (auto& button : buttons_) button.selected = 0;
    buttons_[size_t(b - 1)].selected = 1;
    if (lastClicked_ >= 1 && lastClicked_ != b) redrawButton(lastClicked_);
  }
  redrawButton(b);
  lastClicked_ = b;
  if (clickRoutine_ && !wasSelected) {
    auto routine = clickRoutine_;  // the routine may open a modal window that re-enters the bar
    routine(b);
  }
}
