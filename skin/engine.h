// Quorvane's window skin engine: a DLL of its own, carried inside the program
// and mapped from memory. It draws the process's windows in a palette read from
// ".SHE" skin data, tinted by hue, saturation and brightness shifts.
//
// How it works: a creation hook on the attaching thread subclasses top-level
// windows and the common controls as they appear (and those already there at
// attach). Top-level windows with a caption get an own-drawn frame and title
// bar; push buttons, list headers, tabs, status and progress bars are painted
// by the engine; the other controls take the palette through the colour
// messages they send their parents. The program's own calls to GetSysColor and
// GetSysColorBrush are redirected to the palette, so what it paints itself
// follows the skin too. Windows detached from the skin are left to themselves.
//
// No C runtime start-up: the engine is loaded by the program's own loader, so it
// keeps to the platform's functions and plain data.
#pragma once

#include <windows.h>

namespace skin {

enum Role {
  Window,        // backgrounds of windows, dialogs and pages
  Text,          // text on them
  Field,         // edit boxes and lists
  FieldText,
  Disabled,      // text of disabled controls
  Border,        // control outlines
  Light,         // highlight lines
  Face,          // button face, top and bottom of its gradient
  Face2,
  Hot,           // button face under the mouse
  Hot2,
  Pressed,
  Pressed2,
  Accent,        // default button outline, progress, slider thumb, selection
  AccentText,
  Caption,       // title bar, top and bottom of its gradient
  Caption2,
  CaptionText,
  Inactive,      // title bar of an inactive window
  Inactive2,
  InactiveText,
  Frame,         // window outline
  CloseHot,      // close box under the mouse
  Header,        // list header gradient
  Header2,
  RoleCount
};

struct Palette {
  COLORREF colour[RoleCount];
  int titleHeight;  // title bar height of windows nobody set one for; 0: the platform's
  int radius;       // corner radius of buttons
};

// Reads skin data (it begins with ".SHE"); false leaves out untouched.
bool parseSkinData(const unsigned char* data, int size, Palette& out);
// A colour shifted by hue (degrees), saturation and brightness (percent, -100..100).
COLORREF shiftColour(COLORREF c, int hue, int saturation, int brightness);
COLORREF mix(COLORREF a, COLORREF b, int percentOfB);

enum Kind {
  KindFrame,      // top-level window with a caption
  KindPopup,      // top-level window without one
  KindContainer,  // the program's own child windows and dialogs: background and colours
  KindButton,     // push button
  KindEdit,       // outline only; colours come through the parent
  KindList,       // list view
  KindHeader,
  KindTab,
  KindStatus,
  KindProgress,
  KindEtched,     // etched separator line
  KindToolbar,
};

// Per skinned window; lives from subclassing to unskinning or destruction.
struct Skinned {
  Kind kind;
  // frame
  bool customFrame;
  int titleHeight;
  int titleAlign;  // 0 left, 1 centred
  int titleShade;  // percent darker at the bar's lower edge
  bool active;
  int hotButton;   // HTCLOSE, HTMINBUTTON, HTMAXBUTTON or 0
  int pressedButton;
  bool trackingNc;
  // button
  bool hover;
  bool trackingMouse;
  // list view colours before the skin
  COLORREF listBk, listTextBk, listText;
};

struct Engine {
  HINSTANCE self;
  bool attached;
  DWORD thread;
  HHOOK hook;
  Palette base;
  int hue, saturation, brightness;
  COLORREF colour[RoleCount];
  HBRUSH brush[RoleCount];
  HBRUSH retired[RoleCount];  // the previous tint's brushes, kept one round for late users
  // the platform's own system colours
  DWORD(WINAPI* realGetSysColor)(int);
  HBRUSH(WINAPI* realGetSysColorBrush)(int);
  HBRUSH realBrush[31];
  // the program's import slots redirected to the palette
  ULONG_PTR* patchedSlot[8];
  ULONG_PTR patchedValue[8];
  int patchedCount;
  HMODULE dwm;
  HRESULT(WINAPI* dwmSetWindowAttribute)(HWND, DWORD, LPCVOID, DWORD);
  HWND detached[64];
  int detachedCount;
};

extern Engine g;

// System colour index to palette role, -1 when the skin leaves it alone.
int roleOfSystemColour(int index);
// Palette role of a brush the platform or the skin handed out, -1 otherwise.
int roleOfBrush(HBRUSH brush);

bool isDetached(HWND hwnd);
bool hasClass(HWND hwnd, const wchar_t* name);

// Subclass procedure for every kind.
LRESULT CALLBACK skinProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR ref);
constexpr UINT_PTR kSubclassId = 0x5348;  // "SH"
Skinned* skinnedData(HWND hwnd);
void unskinWindow(HWND hwnd);
// Applies the current palette to what keeps its own colours (list views).
void applyColours(HWND hwnd, Skinned* data);
void setDwmFrame(HWND hwnd, bool custom);

// frame.cpp
LRESULT frameMessage(HWND hwnd, Skinned* d, UINT msg, WPARAM wp, LPARAM lp, bool& handled);
void paintFrame(HWND hwnd, Skinned* d);
int frameBorder(HWND hwnd);

// controls.cpp
LRESULT controlMessage(HWND hwnd, Skinned* d, UINT msg, WPARAM wp, LPARAM lp, bool& handled);
LRESULT parentMessage(HWND hwnd, Skinned* d, UINT msg, WPARAM wp, LPARAM lp, bool& handled);

// draw.cpp
void fillSolid(HDC dc, const RECT& r, COLORREF c);
void gradient(HDC dc, const RECT& r, COLORREF top, COLORREF bottom);
void outline(HDC dc, const RECT& r, COLORREF c);
void line(HDC dc, int x1, int y1, int x2, int y2, COLORREF c);
void roundedFace(HDC dc, const RECT& r, int radius, COLORREF top, COLORREF bottom, COLORREF border,
                 COLORREF outside);

// Double buffer for one paint.
struct Buffer {
  HDC target;
  HDC dc;
  HBITMAP bitmap;
  HGDIOBJ old;
  int width, height;
  bool begin(HDC onto, int w, int h);
  void end(int x, int y);  // copies onto the target at x, y and releases
};

}  // namespace skin
