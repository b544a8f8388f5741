#include "engine.h"

namespace skin {

namespace {

const char* const kRoleNames[RoleCount] = {
    "window",  "text",     "field",    "fieldtext",   "disabled", "border",       "light",
    "face",    "face2",    "hot",      "hot2",        "pressed",  "pressed2",     "accent",
    "accenttext", "caption", "caption2", "captiontext", "inactive", "inactive2", "inactivetext",
    "frame",   "closehot", "header",   "header2",
};

bool sameWord(const unsigned char* p, int n, const char* word) {
  int i = 0;
  for (; i < n && word[i]; ++i)
    if (char(p[i]) != word[i]) return false;
  return i == n && word[i] == 0;
}

int hexDigit(unsigned char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool isSpace(unsigned char c) { return c == ' ' || c == '\t' || c == '\r'; }

float clamp01(float v) { return v < 0 ? 0 : v > 1 ? 1 : v; }

void toHsl(COLORREF c, float& h, float& s, float& l) {
  const float r = GetRValue(c) / 255.0f, g = GetGValue(c) / 255.0f, b = GetBValue(c) / 255.0f;
  const float hi = r > g ? (r > b ? r : b) : (g > b ? g : b);
  const float lo = r < g ? (r < b ? r : b) : (g < b ? g : b);
  l = (hi + lo) / 2;
  if (hi == lo) {
    h = s = 0;
    return;
  }
  const float d = hi - lo;
  s = l > 0.5f ? d / (2 - hi - lo) : d / (hi + lo);
  if (hi == r)
    h = (g - b) / d + (g < b ? 6 : 0);
  else if (hi == g)
    h = (b - r) / d + 2;
  else
    h = (r - g) / d + 4;
  h *= 60;
}

float hueChannel(float p, float q, float t) {
  if (t < 0) t += 1;
  if (t > 1) t -= 1;
  if (t < 1.0f / 6) return p + (q - p) * 6 * t;
  if (t < 0.5f) return q;
  if (t < 2.0f / 3) return p + (q - p) * (2.0f / 3 - t) * 6;
  return p;
}

BYTE toByte(float v) { return BYTE(int(clamp01(v) * 255 + 0.5f)); }

COLORREF fromHsl(float h, float s, float l) {
  if (s <= 0) return RGB(toByte(l), toByte(l), toByte(l));
  const float q = l < 0.5f ? l * (1 + s) : l + s - l * s;
  const float p = 2 * l - q;
  const float t = h / 360;
  return RGB(toByte(hueChannel(p, q, t + 1.0f / 3)), toByte(hueChannel(p, q, t)),
             toByte(hueChannel(p, q, t - 1.0f / 3)));
}

// Towards 1 for a positive shift, towards 0 for a negative one.
float pull(float v, int percent) {
  if (percent > 100) percent = 100;
  if (percent < -100) percent = -100;
  return percent >= 0 ? v + (1 - v) * percent / 100.0f : v * (1 + percent / 100.0f);
}

}  // namespace

COLORREF shiftColour(COLORREF c, int hue, int saturation, int brightness) {
  float h, s, l;
  toHsl(c, h, s, l);
  h += float(hue % 360);
  while (h < 0) h += 360;
  while (h >= 360) h -= 360;
  return fromHsl(h, clamp01(pull(s, saturation)), clamp01(pull(l, brightness)));
}

COLORREF mix(COLORREF a, COLORREF b, int percentOfB) {
  auto m = [percentOfB](int x, int y) { return BYTE(x + (y - x) * percentOfB / 100); };
  return RGB(m(GetRValue(a), GetRValue(b)), m(GetGValue(a), GetGValue(b)), m(GetBValue(a), GetBValue(b)));
}

// Text: ".SHE", a version line, then one "name value" per line, the value a
// colour as six hex digits (RRGGBB) or a decimal number; "#" starts a comment.
// Names not given keep the neutral defaults below.
bool parseSkinData(const unsigned char* data, int size, Palette& out) {
  if (!data || size < 4 || !sameWord(data, 4, ".SHE")) return false;
  static const COLORREF kDefaults[RoleCount] = {
      RGB(240, 240, 240), RGB(32, 32, 32),    RGB(255, 255, 255), RGB(32, 32, 32),    RGB(140, 140, 140),
      RGB(160, 160, 160), RGB(255, 255, 255), RGB(252, 252, 252), RGB(226, 226, 226), RGB(255, 255, 255),
      RGB(214, 214, 214), RGB(200, 200, 200), RGB(220, 220, 220), RGB(90, 90, 90),    RGB(255, 255, 255),
      RGB(110, 110, 110), RGB(80, 80, 80),    RGB(255, 255, 255), RGB(170, 170, 170), RGB(150, 150, 150),
      RGB(240, 240, 240), RGB(60, 60, 60),    RGB(200, 60, 50),   RGB(248, 248, 248), RGB(228, 228, 228),
  };
  Palette p;
  for (int i = 0; i < RoleCount; ++i) p.colour[i] = kDefaults[i];
  p.titleHeight = 0;  // the platform's
  p.radius = 3;

  int i = 4;
  while (i < size && data[i] != '\n') ++i;  // rest of the magic line: the format version
  while (i < size) {
    ++i;
    while (i < size && isSpace(data[i])) ++i;
    const int nameStart = i;
    while (i < size && ((data[i] >= 'a' && data[i] <= 'z') || (data[i] >= '0' && data[i] <= '9'))) ++i;
    const int nameLength = i - nameStart;
    while (i < size && isSpace(data[i])) ++i;
    const int valueStart = i;
    while (i < size && hexDigit(data[i]) >= 0) ++i;
    const int valueLength = i - valueStart;
    while (i < size && data[i] != '\n') ++i;
    if (nameLength == 0 || valueLength == 0) continue;
    const unsigned char* name = data + nameStart;
    const unsigned char* value = data + valueStart;
    if (sameWord(name, nameLength, "titleheight") || sameWord(name, nameLength, "radius")) {
      int n = 0;
      for (int k = 0; k < valueLength && k < 4; ++k) {
        if (value[k] < '0' || value[k] > '9') break;
        n = n * 10 + (value[k] - '0');
      }
      if (sameWord(name, nameLength, "radius"))
        p.radius = n > 12 ? 12 : n;
      else if (n == 0 || (n >= 12 && n <= 64))
        p.titleHeight = n;
      continue;
    }
    if (valueLength != 6) continue;
    for (int r = 0; r < RoleCount; ++r) {
      if (!sameWord(name, nameLength, kRoleNames[r])) continue;
      int v[6];
      for (int k = 0; k < 6; ++k) v[k] = hexDigit(value[k]);
      p.colour[r] = RGB(v[0] * 16 + v[1], v[2] * 16 + v[3], v[4] * 16 + v[5]);
    }
  }
  out = p;
  return true;
}

int roleOfSystemColour(int index) {
  switch (index) {
    case COLOR_BTNFACE:
    case COLOR_APPWORKSPACE:
      return Window;
    case COLOR_BTNTEXT:
      return Text;
    case COLOR_WINDOW:
      return Field;
    case COLOR_WINDOWTEXT:
      return FieldText;
    case COLOR_GRAYTEXT:
      return Disabled;
    case COLOR_BTNSHADOW:
    case COLOR_3DDKSHADOW:
      return Border;
    case COLOR_BTNHIGHLIGHT:
    case COLOR_3DLIGHT:
      return Light;
    case COLOR_HIGHLIGHT:
    case COLOR_HOTLIGHT:
      return Accent;
    case COLOR_HIGHLIGHTTEXT:
      return AccentText;
    case COLOR_ACTIVECAPTION:
      return Caption;
    case COLOR_GRADIENTACTIVECAPTION:
      return Caption2;
    case COLOR_CAPTIONTEXT:
      return CaptionText;
    case COLOR_INACTIVECAPTION:
      return Inactive;
    case COLOR_GRADIENTINACTIVECAPTION:
      return Inactive2;
    case COLOR_INACTIVECAPTIONTEXT:
      return InactiveText;
    case COLOR_WINDOWFRAME:
    case COLOR_ACTIVEBORDER:
    case COLOR_INACTIVEBORDER:
      return Frame;
    default:
      return -1;
  }
}

int roleOfBrush(HBRUSH brush) {
  if (!brush) return -1;
  for (int r = 0; r < RoleCount; ++r)
    if (brush == g.brush[r] || brush == g.retired[r]) return r;
  for (int i = 0; i < 31; ++i)
    if (brush == g.realBrush[i]) return roleOfSystemColour(i);
  return -1;
}

}  // namespace skin
