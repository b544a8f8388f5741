#include "ui/graphics.h"

#include <cstring>

namespace gfx {

namespace G = Gdiplus::DllExports;

ULONG_PTR startGraphics() {
  Gdiplus::GdiplusStartupInput input;  // version 1, no debug routine, thread and codecs on
  ULONG_PTR token = 0;
  if (Gdiplus::GdiplusStartup(&token, &input, nullptr) != Gdiplus::Ok) return 0;
  return token;
}

GraphicsSession::~GraphicsSession() {
  if (token_) Gdiplus::GdiplusShutdown(token_);
}

Brush::~Brush() {
  if (brush_) G::GdipDeleteBrush(brush_);
}

SolidBrush::SolidBrush(ARGB colour) {
  Gdiplus::GpSolidFill* b = nullptr;
  if (G::GdipCreateSolidFill(colour, &b) == Gdiplus::Ok) brush_ = b;
}

LinearGradientBrush::LinearGradientBrush(PointF from, PointF to, ARGB fromColour, ARGB toColour) {
  Gdiplus::GpLineGradient* b = nullptr;
  if (G::GdipCreateLineBrush(&from, &to, fromColour, toColour, Gdiplus::WrapModeTileFlipXY, &b) == Gdiplus::Ok)
    brush_ = b;
}

PathGradientBrush::PathGradientBrush(const GraphicsPath& path) {
  Gdiplus::GpPathGradient* b = nullptr;
  if (path.native() && G::GdipCreatePathGradientFromPath(path.native(), &b) == Gdiplus::Ok) brush_ = b;
}

void PathGradientBrush::setCenterPoint(PointF centre) {
  if (brush_) G::GdipSetPathGradientCenterPoint(static_cast<Gdiplus::GpPathGradient*>(brush_), &centre);
}

void PathGradientBrush::setCenterColor(ARGB colour) {
  if (brush_) G::GdipSetPathGradientCenterColor(static_cast<Gdiplus::GpPathGradient*>(brush_), colour);
}

void PathGradientBrush::setSurroundColors(const std::vector<ARGB>& colours) {
  if (!brush_ || colours.empty()) return;
  INT count = INT(colours.size());
  G::GdipSetPathGradientSurroundColorsWithCount(static_cast<Gdiplus::GpPathGradient*>(brush_), colours.data(),
                                                &count);
}

Pen::Pen(ARGB colour, REAL width) { G::GdipCreatePen1(colour, width, Gdiplus::UnitPixel, &pen_); }

Pen::~Pen() {
  if (pen_) G::GdipDeletePen(pen_);
}

FontFamily::FontFamily(const std::wstring& name) {
  named_ = G::GdipCreateFontFamilyFromName(name.c_str(), nullptr, &family_) == Gdiplus::Ok && family_;
  if (!named_) {
    family_ = nullptr;
    G::GdipGetGenericFontFamilySansSerif(&family_);
  }
}

FontFamily::~FontFamily() {
  if (family_) G::GdipDeleteFontFamily(family_);
}

Font::Font(const FontFamily& family, REAL pixels, int style) {
  if (family.native()) G::GdipCreateFont(family.native(), pixels, style, Gdiplus::UnitPixel, &font_);
}

Font::~Font() {
  if (font_) G::GdipDeleteFont(font_);
}

StringFormat::StringFormat() { G::GdipCreateStringFormat(0, LANG_NEUTRAL, &format_); }

StringFormat::~StringFormat() {
  if (format_) G::GdipDeleteStringFormat(format_);
}

void StringFormat::setAlignment(Gdiplus::StringAlignment a) {
  if (format_) G::GdipSetStringFormatAlign(format_, a);
}

void StringFormat::setLineAlignment(Gdiplus::StringAlignment a) {
  if (format_) G::GdipSetStringFormatLineAlign(format_, a);
}

GraphicsPath::GraphicsPath() { G::GdipCreatePath(Gdiplus::FillModeAlternate, &path_); }

GraphicsPath::~GraphicsPath() {
  if (path_) G::GdipDeletePath(path_);
}

void GraphicsPath::reset() {
  if (path_) G::GdipResetPath(path_);
}

void GraphicsPath::addArc(REAL x, REAL y, REAL width, REAL height, REAL startAngle, REAL sweepAngle) {
  if (path_) G::GdipAddPathArc(path_, x, y, width, height, startAngle, sweepAngle);
}

void GraphicsPath::addLine(REAL x1, REAL y1, REAL x2, REAL y2) {
  if (path_) G::GdipAddPathLine(path_, x1, y1, x2, y2);
}

void GraphicsPath::closeFigure() {
  if (path_) G::GdipClosePathFigure(path_);
}

int GraphicsPath::pointCount() const {
  INT n = 0;
  if (path_) G::GdipGetPointCount(path_, &n);
  return n;
}

Bitmap::Bitmap(int width, int height) {
  G::GdipCreateBitmapFromScan0(width, height, 0, PixelFormat32bppARGB, nullptr, &bitmap_);
}

Bitmap Bitmap::decode(std::string_view bytes) {
  Bitmap result;
  if (bytes.empty()) return result;
  HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
  if (!mem) return result;
  if (void* p = GlobalLock(mem)) {
    memcpy(p, bytes.data(), bytes.size());
    GlobalUnlock(mem);
  }
  IStream* stream = nullptr;
  if (CreateStreamOnHGlobal(mem, TRUE, &stream) != S_OK) {  // TRUE: the stream frees the memory
    GlobalFree(mem);
    return result;
  }
  result.stream_ = stream;
  if (G::GdipCreateBitmapFromStream(stream, &result.bitmap_) != Gdiplus::Ok) result.bitmap_ = nullptr;
  return result;
}

Bitmap::~Bitmap() {
  if (bitmap_) G::GdipDisposeImage(bitmap_);
  if (stream_) stream_->Release();
}

Bitmap& Bitmap::operator=(Bitmap&& o) noexcept {
  if (this != &o) {
    if (bitmap_) G::GdipDisposeImage(bitmap_);
    if (stream_) stream_->Release();
    bitmap_ = takeHandle(o.bitmap_);
    stream_ = takeHandle(o.stream_);
  }
  return *this;
}

int Bitmap::width() const {
  UINT w = 0;
  if (bitmap_) G::GdipGetImageWidth(bitmap_, &w);
  return int(w);
}

int Bitmap::height() const {
  UINT h = 0;
  if (bitmap_) G::GdipGetImageHeight(bitmap_, &h);
  return int(h);
}

HBITMAP Bitmap::toHbitmap(ARGB background) const {
  HBITMAP h = nullptr;
  if (bitmap_ && G::GdipCreateHBITMAPFromBitmap(bitmap_, &h, background) != Gdiplus::Ok) h = nullptr;
  return h;
}

Region::Region(RectF rect) { G::GdipCreateRegionRect(&rect, &region_); }

Region::~Region() {
  if (region_) G::GdipDeleteRegion(region_);
}

Graphics::Graphics(HDC dc) {
  if (G::GdipCreateFromHDC(dc, &graphics_) != Gdiplus::Ok) graphics_ = nullptr;
}

Graphics::~Graphics() {
  if (graphics_) G::GdipDeleteGraphics(graphics_);
}

void Graphics::setSmoothing(bool antiAlias) {
  if (graphics_)
    G::GdipSetSmoothingMode(graphics_, antiAlias ? Gdiplus::SmoothingModeAntiAlias : Gdiplus::SmoothingModeNone);
}

void Graphics::setTextAntiAlias() {
  if (graphics_) G::GdipSetTextRenderingHint(graphics_, Gdiplus::TextRenderingHintAntiAlias);
}

void Graphics::setHighQualityScaling() {
  if (graphics_) G::GdipSetInterpolationMode(graphics_, Gdiplus::InterpolationModeHighQualityBicubic);
}

void Graphics::setClip(const Region& region) {
  if (graphics_ && region.native()) G::GdipSetClipRegion(graphics_, region.native(), Gdiplus::CombineModeReplace);
}

void Graphics::fillRectangle(const Brush& brush, RectF r) {
  if (graphics_ && brush.native()) G::GdipFillRectangle(graphics_, brush.native(), r.X, r.Y, r.Width, r.Height);
}

void Graphics::fillPath(const Brush& brush, const GraphicsPath& path) {
  if (graphics_ && brush.native() && path.native()) G::GdipFillPath(graphics_, brush.native(), path.native());
}

void Graphics::drawPath(const Pen& pen, const GraphicsPath& path) {
  if (graphics_ && pen.native() && path.native()) G::GdipDrawPath(graphics_, pen.native(), path.native());
}

void Graphics::drawLine(const Pen& pen, REAL x1, REAL y1, REAL x2, REAL y2) {
  if (graphics_ && pen.native()) G::GdipDrawLine(graphics_, pen.native(), x1, y1, x2, y2);
}

void Graphics::drawImage(const Bitmap& picture, RectF r) {
  if (graphics_ && picture.native())
    G::GdipDrawImageRect(graphics_, picture.native(), r.X, r.Y, r.Width, r.Height);
}

void Graphics::drawString(const std::wstring& text, const Font& font, RectF into, const StringFormat& format,
                          const Brush& brush) {
  if (graphics_ && font.native() && brush.native())
    G::GdipDrawString(graphics_, text.c_str(), INT(text.size()), font.native(), &into, format.native(),
                      brush.native());
}

}  // namespace gfx
