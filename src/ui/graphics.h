// Thin owners of GDI+ objects, one class per kind. Each holds the library's
// handle, releases it once, and forwards to the flat API. Only what the
// navigation bar and the picture loaders use is forwarded.
#pragma once

#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace gfx {

using Gdiplus::ARGB;
using Gdiplus::REAL;
using PointF = Gdiplus::PointF;
using RectF = Gdiplus::RectF;

constexpr ARGB argb(int alpha, int red, int green, int blue) {
  return (ARGB(alpha & 0xFF) << 24) | (ARGB(red & 0xFF) << 16) | (ARGB(green & 0xFF) << 8) | ARGB(blue & 0xFF);
}
// A window-system colour (blue in the high byte) in the library's form: red and
// blue swapped, alpha on top.
constexpr ARGB fromColorRef(COLORREF c, int alpha) {
  return argb(alpha, GetRValue(c), GetGValue(c), GetBValue(c));
}

// Starts GDI+ version 1 and returns its token (0 on failure). The program starts
// it once and never shuts it down; tests use GraphicsSession.
ULONG_PTR startGraphics();
class GraphicsSession {
 public:
  GraphicsSession() : token_(startGraphics()) {}
  ~GraphicsSession();
  GraphicsSession(const GraphicsSession&) = delete;
  GraphicsSession& operator=(const GraphicsSession&) = delete;
  bool ok() const { return token_ != 0; }

 private:
  ULONG_PTR token_;
};

// Moves a handle out and leaves null behind; shared by every owner below.
template <typename H>
H takeHandle(H& h) { return std::exchange(h, nullptr); }

class Brush {
 public:
  Brush(const Brush&) = delete;
  Brush& operator=(const Brush&) = delete;
  virtual ~Brush();
  Gdiplus::GpBrush* native() const { return brush_; }
  bool valid() const { return brush_ != nullptr; }

 protected:
  Brush() = default;
  Brush(Brush&& o) noexcept : brush_(takeHandle(o.brush_)) {}
  Gdiplus::GpBrush* brush_ = nullptr;
};

class SolidBrush : public Brush {
 public:
  explicit SolidBrush(ARGB colour);
  SolidBrush(SolidBrush&&) noexcept = default;
};

class LinearGradientBrush : public Brush {
 public:
  LinearGradientBrush(PointF from, PointF to, ARGB fromColour, ARGB toColour);
  LinearGradientBrush(LinearGradientBrush&&) noexcept = default;
};

class GraphicsPath;

class PathGradientBrush : public Brush {
 public:
  explicit PathGradientBrush(const GraphicsPath& path);
  PathGradientBrush(PathGradientBrush&&) noexcept = default;
  void setCenterPoint(PointF centre);
  void setCenterColor(ARGB colour);
  void setSurroundColors(const std::vector<ARGB>& colours);
};

class Pen {
 public:
  Pen(ARGB colour, REAL width);
  ~Pen();
  Pen(const Pen&) = delete;
  Pen& operator=(const Pen&) = delete;
  Gdiplus::GpPen* native() const { return pen_; }

 private:
  Gdiplus::GpPen* pen_ = nullptr;
};

class FontFamily {
 public:
  // The named family; when it is not installed, the generic sans-serif family.
  explicit FontFamily(const std::wstring& name);
  ~FontFamily();
  FontFamily(const FontFamily&) = delete;
  FontFamily& operator=(const FontFamily&) = delete;
  Gdiplus::GpFontFamily* native() const { return family_; }
  bool isNamedFamily() const { return named_; }

 private:
  Gdiplus::GpFontFamily* family_ = nullptr;
  bool named_ = false;
};

class Font {
 public:
  Font(const FontFamily& family, REAL pixels, int style = Gdiplus::FontStyleRegular);
  ~Font();
  Font(const Font&) = delete;
  Font& operator=(const Font&) = delete;
  Gdiplus::GpFont* native() const { return font_; }

 private:
  Gdiplus::GpFont* font_ = nullptr;
};

class StringFormat {
 public:
  StringFormat();
  ~StringFormat();
  StringFormat(const StringFormat&) = delete;
  StringFormat& operator=(const StringFormat&) = delete;
  void setAlignment(Gdiplus::StringAlignment a);
  void setLineAlignment(Gdiplus::StringAlignment a);
  Gdiplus::GpStringFormat* native() const { return format_; }

 private:
  Gdiplus::GpStringFormat* format_ = nullptr;
};

class GraphicsPath {
 public:
  GraphicsPath();
  ~GraphicsPath();
  GraphicsPath(const GraphicsPath&) = delete;
  GraphicsPath& operator=(const GraphicsPath&) = delete;
  void reset();
  void addArc(REAL x, REAL y, REAL width, REAL height, REAL startAngle, REAL sweepAngle);
  void addLine(REAL x1, REAL y1, REAL x2, REAL y2);
  void closeFigure();
  int pointCount() const;
  Gdiplus::GpPath* native() const { return path_; }

 private:
  Gdiplus::GpPath* path_ = nullptr;
};

// A picture: decoded from bytes (PNG, JPEG, ...) or a blank 32-bit ARGB bitmap.
class Bitmap {
 public:
  Bitmap() = default;
  Bitmap(int width, int height);  // 32-bit ARGB, all clear
  static Bitmap decode(std::string_view bytes);
  ~Bitmap();
  Bitmap(Bitmap&& o) noexcept : bitmap_(takeHandle(o.bitmap_)), stream_(takeHandle(o.stream_)) {}
  Bitmap& operator=(Bitmap&& o) noexcept;
  Bitmap(const Bitmap&) = delete;
  Bitmap& operator=(const Bitmap&) = delete;

  bool valid() const { return bitmap_ != nullptr; }
  int width() const;
  int height() const;
  // A GDI bitmap of the picture (the caller owns it); clear parts get `background`.
  HBITMAP toHbitmap(ARGB background) const;
  Gdiplus::GpBitmap* native() const { return bitmap_; }

 private:
  Gdiplus::GpBitmap* bitmap_ = nullptr;
  IStream* stream_ = nullptr;  // a decoded picture reads from it for its whole life
};

class Region {
 public:
  explicit Region(RectF rect);
  ~Region();
  Region(const Region&) = delete;
  Region& operator=(const Region&) = delete;
  Gdiplus::GpRegion* native() const { return region_; }

 private:
  Gdiplus::GpRegion* region_ = nullptr;
};

class Graphics {
 public:
  explicit Graphics(HDC dc);
  ~Graphics();
  Graphics(const Graphics&) = delete;
  Graphics& operator=(const Graphics&) = delete;
  bool valid() const { return graphics_ != nullptr; }

  void setSmoothing(bool antiAlias);
  void setTextAntiAlias();
  void setHighQualityScaling();
  void setClip(const Region& region);
  void fillRectangle(const Brush& brush, RectF rect);
  void fillPath(const Brush& brush, const GraphicsPath& path);
  void drawPath(const Pen& pen, const GraphicsPath& path);
  void drawLine(const Pen& pen, REAL x1, REAL y1, REAL x2, REAL y2);
  void drawImage(const Bitmap& picture, RectF into);
  void drawString(const std::wstring& text, const Font& font, RectF into, const StringFormat& format,
                  const Brush& brush);

 private:
  Gdiplus::GpGraphics* graphics_ = nullptr;
};

}  // namespace gfx
