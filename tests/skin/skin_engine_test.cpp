// The real skin engine, mapped from the image the program carries, on a window
// with the usual controls: what it looks like with the skin, without it, and
// after the engine is gone.
#include <windows.h>
#include <commctrl.h>
#include <objidl.h>

#include <algorithm>
namespace Gdiplus {
using std::max;
using std::min;
}  // namespace Gdiplus
#include <gdiplus.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "ui/mapped_module.h"
#include "ui/skin.h"

namespace {

HINSTANCE instance() { return GetModuleHandleW(nullptr); }

int closeRequests = 0;

LRESULT CALLBACK frameProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_CLOSE) {
    ++closeRequests;
    return 0;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

void registerClasses() {
  static bool done = false;
  if (done) return;
  done = true;
  INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_WIN95_CLASSES | ICC_BAR_CLASSES | ICC_PROGRESS_CLASS | ICC_TAB_CLASSES};
  InitCommonControlsEx(&icc);
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = frameProc;
  wc.hInstance = instance();
  wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = L"QuorvaneSkinTestFrame";
  RegisterClassExW(&wc);
  wc.lpfnWndProc = DefWindowProcW;
  wc.lpszClassName = L"QuorvaneSkinTestPanel";
  RegisterClassExW(&wc);
}

// The platform's own colours, not the ones the skin hands the program.
COLORREF systemColour(int index) {
  auto real = reinterpret_cast<DWORD(WINAPI*)(int)>(
      reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetSysColor")));
  return real(index);
}

struct TestWindow {
  HWND frame = nullptr, button = nullptr, otherButton = nullptr, panel = nullptr, edit = nullptr, list = nullptr;
  HWND progress = nullptr, slider = nullptr, status = nullptr, tabs = nullptr;
  ~TestWindow() {
    if (frame) DestroyWindow(frame);
  }
};

HWND child(HWND parent, const wchar_t* cls, const wchar_t* text, DWORD style, int x, int y, int w, int h,
           DWORD ex = 0) {
  HWND c = CreateWindowExW(ex, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent, nullptr, instance(), nullptr);
  SendMessageW(c, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
  return c;
}

void makeWindow(TestWindow& w) {
  registerClasses();
  w.frame = CreateWindowExW(0, L"QuorvaneSkinTestFrame", L"Quorvane skin test",
                            WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, 40, 40, 460, 360, nullptr,
                            nullptr, instance(), nullptr);
  // The top 30 pixels of the client area stay empty: the window's own background.
  w.button = child(w.frame, L"BUTTON", L"", BS_PUSHBUTTON, 10, 40, 100, 30);
  w.otherButton = child(w.frame, L"BUTTON", L"", BS_PUSHBUTTON, 120, 40, 100, 30);
  w.panel = child(w.frame, L"QuorvaneSkinTestPanel", L"", 0, 240, 40, 190, 70);
  child(w.panel, L"STATIC", L"A panel of its own", 0, 8, 8, 170, 18);
  w.edit = child(w.frame, L"EDIT", L"An edit box", ES_AUTOHSCROLL, 10, 82, 210, 24, WS_EX_CLIENTEDGE);
  w.list = child(w.frame, WC_LISTVIEWW, L"", LVS_REPORT, 10, 114, 210, 90, WS_EX_CLIENTEDGE);
  const wchar_t* headings[] = {L"Name", L"Price"};
  for (int i = 0; i < 2; ++i) {
    LVCOLUMNW col = {};
    col.mask = LVCF_TEXT | LVCF_WIDTH;
    col.cx = 100;
    col.pszText = const_cast<wchar_t*>(headings[i]);
    SendMessageW(w.list, LVM_INSERTCOLUMNW, WPARAM(i), reinterpret_cast<LPARAM>(&col));
  }
  LVITEMW item = {};
  item.mask = LVIF_TEXT;
  item.pszText = const_cast<wchar_t*>(L"First row");
  SendMessageW(w.list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
  child(w.frame, L"BUTTON", L"A check box", BS_AUTOCHECKBOX, 240, 120, 180, 20);
  child(w.frame, L"BUTTON", L"Push me", BS_PUSHBUTTON, 240, 146, 90, 26);
  w.progress = child(w.frame, PROGRESS_CLASSW, L"", 0, 10, 214, 210, 14);
  SendMessageW(w.progress, PBM_SETPOS, 60, 0);
  w.slider = child(w.frame, TRACKBAR_CLASSW, L"", TBS_HORZ | TBS_NOTICKS, 240, 180, 180, 24);
  child(w.frame, L"STATIC", L"A label", 0, 240, 212, 180, 18);
  child(w.frame, L"STATIC", L"", SS_ETCHEDHORZ, 10, 238, 410, 2);
  w.tabs = child(w.frame, WC_TABCONTROLW, L"", 0, 10, 246, 410, 40);
  const wchar_t* pages[] = {L"First", L"Second"};
  for (int i = 0; i < 2; ++i) {
    TCITEMW tab = {};
    tab.mask = TCIF_TEXT;
    tab.pszText = const_cast<wchar_t*>(pages[i]);
    SendMessageW(w.tabs, TCM_INSERTITEMW, WPARAM(i), reinterpret_cast<LPARAM>(&tab));
  }
  w.status = child(w.frame, STATUSCLASSNAMEW, L"Ready", 0, 0, 0, 0, 0);
  ShowWindow(w.frame, SW_SHOW);
}

void settle(HWND hwnd) {
  RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
  for (int i = 0; i < 8; ++i) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    Sleep(10);
  }
  GdiFlush();
}

// A pixel of hwnd's client area, as drawn.
COLORREF pixel(HWND hwnd, int x, int y) {
  HDC dc = GetDC(hwnd);
  COLORREF c = GetPixel(dc, x, y);
  ReleaseDC(hwnd, dc);
  return c;
}

COLORREF centre(HWND hwnd) {
  RECT rc;
  GetClientRect(hwnd, &rc);
  return pixel(hwnd, rc.right / 2, rc.bottom / 2);
}

// Pixels from the top of the window to the client area, less the side frame.
int titleHeight(HWND hwnd) {
  RECT wr;
  GetWindowRect(hwnd, &wr);
  POINT p = {0, 0};
  ClientToScreen(hwnd, &p);
  return (p.y - wr.top) - (p.x - wr.left);
}

double hueOf(COLORREF c) {
  const double r = GetRValue(c) / 255.0, g = GetGValue(c) / 255.0, b = GetBValue(c) / 255.0;
  const double hi = std::max({r, g, b}), lo = std::min({r, g, b});
  if (hi == lo) return 0;
  double h = hi == r ? (g - b) / (hi - lo) : hi == g ? 2 + (b - r) / (hi - lo) : 4 + (r - g) / (hi - lo);
  h *= 60;
  return h < 0 ? h + 360 : h;
}

int lightness(COLORREF c) { return GetRValue(c) + GetGValue(c) + GetBValue(c); }

struct ModuleDeleter {
  void operator()(MappedModule* m) const { freeImage(m); }
};
using Module = std::unique_ptr<MappedModule, ModuleDeleter>;

Module loadEngine() {
  CarriedBytes image = skinEngineImage();
  return Module(loadImage(image.data, image.size));
}

void skinAsTheProgramDoes(const MappedModule* engine, HWND frame) {
  CarriedBytes data = skinDataBytes();
  skinAttach(engine, data.data, data.size, nullptr, 0, 0, 0);
  skinSetTitleMenuBar(engine, frame, 1, 22, 0, 15);
  skinAdjust(engine, 180, -14, 10);
}

// The window's picture, as a PNG in the test's folder.
void savePicture(HWND hwnd, const wchar_t* file) {
  RECT wr;
  GetWindowRect(hwnd, &wr);
  const int w = wr.right - wr.left, h = wr.bottom - wr.top;
  // From the screen: the frame as shown, title bar included.
  HDC screen = GetDC(nullptr);
  HDC mem = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, w, h);
  HGDIOBJ old = SelectObject(mem, bitmap);
  BitBlt(mem, 0, 0, w, h, screen, wr.left, wr.top, SRCCOPY);
  SelectObject(mem, old);
  Gdiplus::GdiplusStartupInput input;
  ULONG_PTR token = 0;
  if (Gdiplus::GdiplusStartup(&token, &input, nullptr) == Gdiplus::Ok) {
    const CLSID png = {0x557cf406, 0x1a04, 0x11d3, {0x9a, 0x73, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};
    {
      Gdiplus::Bitmap picture(bitmap, nullptr);
      picture.Save(file, &png, nullptr);
    }
    Gdiplus::GdiplusShutdown(token);
  }
  DeleteObject(bitmap);
  DeleteDC(mem);
  ReleaseDC(nullptr, screen);
}

std::vector<COLORREF> grab(HWND hwnd) {
  RECT wr;
  GetWindowRect(hwnd, &wr);
  std::vector<COLORREF> out;
  HDC dc = GetWindowDC(hwnd);
  for (int y = 0; y < wr.bottom - wr.top; y += 3)
    for (int x = 0; x < wr.right - wr.left; x += 3) out.push_back(GetPixel(dc, x, y));
  ReleaseDC(hwnd, dc);
  return out;
}

TEST(SkinEngine, CarriedImageIsADllWithTheFourCalls) {
  CarriedBytes image = skinEngineImage(), data = skinDataBytes();
  ASSERT_GT(image.size, 1024u);
  EXPECT_EQ(std::memcmp(image.data, "MZ", 2), 0);
  ASSERT_GT(data.size, 4u);
  EXPECT_EQ(std::memcmp(data.data, ".SHE", 4), 0);

  Module engine = loadEngine();
  ASSERT_TRUE(engine);
  for (const char* name : {"SkinH_AttachRes", "SkinH_SetTitleMenuBar", "SkinH_AdjustHSV", "SkinH_DetachEx"})
    EXPECT_NE(findExport(engine.get(), name), nullptr) << name;
  for (const char* name : {"SkinH_Attach", "skinh_attachres", "SkinH_AttachRes2", "SkinH_"})
    EXPECT_EQ(findExport(engine.get(), name), nullptr) << name;
  // Data in another format is refused.
  const void* attach = reinterpret_cast<const void*>(findExport(engine.get(), "SkinH_AttachRes"));
  EXPECT_EQ(callExportWith(attach, "XSHE 1\n", 7, nullptr, 0, 0, 0), 0);
  EXPECT_EQ(callExportWith(attach, data.data, int(data.size), nullptr, 0, 0, 0), 1);
}

TEST(SkinEngine, WindowsTakeThePaletteAndFollowTheTint) {
  TestWindow w;
  makeWindow(w);
  settle(w.frame);
  const COLORREF face = systemColour(COLOR_BTNFACE);
  ASSERT_EQ(pixel(w.frame, 10, 10), face);
  ASSERT_EQ(centre(w.button), face);

  Module engine = loadEngine();
  ASSERT_TRUE(engine);
  skinAsTheProgramDoes(engine.get(), w.frame);
  settle(w.frame);
  const COLORREF tinted = pixel(w.frame, 10, 10);
  EXPECT_NE(tinted, face);
  EXPECT_EQ(tinted, GetSysColor(COLOR_BTNFACE)) << "the program's own system colours follow the skin";
  EXPECT_NE(centre(w.button), face);
  EXPECT_NE(centre(w.panel), face) << "a window erased with a system colour takes the palette's";
  EXPECT_EQ(titleHeight(w.frame), 22);

  skinAdjust(engine.get(), 0, 0, 0);
  settle(w.frame);
  const COLORREF plain = pixel(w.frame, 10, 10);
  EXPECT_NE(plain, tinted);
  double turn = std::fabs(hueOf(plain) - hueOf(tinted));
  if (turn > 180) turn = 360 - turn;
  EXPECT_NEAR(turn, 180, 8);

  skinAdjust(engine.get(), 0, 0, -40);
  settle(w.frame);
  EXPECT_LT(lightness(pixel(w.frame, 10, 10)), lightness(plain));
}

TEST(SkinEngine, TitleBarAnswersForItsPartsAndItsCloseBoxCloses) {
  TestWindow w;
  makeWindow(w);
  Module engine = loadEngine();
  ASSERT_TRUE(engine);
  skinAsTheProgramDoes(engine.get(), w.frame);
  settle(w.frame);
  RECT wr;
  GetWindowRect(w.frame, &wr);
  auto hit = [&](int x, int y) { return SendMessageW(w.frame, WM_NCHITTEST, 0, MAKELPARAM(x, y)); };
  EXPECT_EQ(hit(wr.left + 150, wr.top + 12), HTCAPTION);
  EXPECT_EQ(hit(wr.right - 12, wr.top + 12), HTCLOSE);
  EXPECT_EQ(hit(wr.left + 150, wr.top + 60), HTCLIENT);
  EXPECT_EQ(hit(wr.left, wr.top + 100), HTBORDER);

  // A press on the close box and its release there ask the window to close.
  closeRequests = 0;
  POINT release = {wr.right - 12, wr.top + 12};
  ScreenToClient(w.frame, &release);
  PostMessageW(w.frame, WM_LBUTTONUP, 0, MAKELPARAM(short(release.x), short(release.y)));
  SendMessageW(w.frame, WM_NCLBUTTONDOWN, HTCLOSE, MAKELPARAM(wr.right - 12, wr.top + 12));
  EXPECT_EQ(closeRequests, 1);

  const int skinned = titleHeight(w.frame);
  skinSetTitleMenuBar(engine.get(), w.frame, 0, 22, 0, 0);
  settle(w.frame);
  EXPECT_NE(titleHeight(w.frame), skinned) << "switched off, the platform's title bar is back";
}

TEST(SkinEngine, DetachedWindowsKeepTheirOwnDrawing) {
  TestWindow w;
  makeWindow(w);
  Module engine = loadEngine();
  ASSERT_TRUE(engine);
  skinAsTheProgramDoes(engine.get(), w.frame);
  skinDetach(engine.get(), w.otherButton);
  skinDetach(engine.get(), w.panel);
  HWND later = child(w.panel, L"BUTTON", L"", BS_PUSHBUTTON, 100, 30, 80, 30);
  settle(w.frame);
  const COLORREF face = systemColour(COLOR_BTNFACE);
  EXPECT_NE(centre(w.button), face);
  EXPECT_EQ(centre(w.otherButton), face);
  EXPECT_EQ(pixel(w.panel, 4, 60), face);
  EXPECT_EQ(centre(later), face) << "a window made inside a detached one stays detached";

  skinAdjust(engine.get(), 90, 20, 0);
  settle(w.frame);
  EXPECT_EQ(centre(w.otherButton), face) << "a new tint leaves it alone too";
}

// No module: every call is skipped and the window keeps the platform's look.
TEST(SkinEngine, WithoutAnEngineTheWindowsStayUnskinned) {
  TestWindow w;
  makeWindow(w);
  settle(w.frame);
  const COLORREF face = systemColour(COLOR_BTNFACE);
  const int plainTitle = titleHeight(w.frame);
  CarriedBytes image = skinEngineImage();
  struct Case {
    const char* what;
    size_t offset;  // byte to spoil, or the new size for a cut
    bool cut;
  };
  const LONG lfanew = reinterpret_cast<const IMAGE_DOS_HEADER*>(image.data)->e_lfanew;
  const Case cases[] = {
      {"no MZ", 0, false}, {"no PE", size_t(lfanew), false}, {"cut short", 0x300, true}, {"cut in a section", image.size / 2, true}};
  for (const Case& c : cases) {
    std::vector<unsigned char> spoilt(image.data, image.data + image.size);
    if (c.cut)
      spoilt.resize(c.offset);
    else
      spoilt[c.offset] = 'X';
    MappedModule* engine = loadImage(spoilt.data(), spoilt.size());
    EXPECT_EQ(engine, nullptr) << c.what;
    skinAsTheProgramDoes(engine, w.frame);
    skinDetach(engine, w.otherButton);
    settle(w.frame);
    EXPECT_EQ(pixel(w.frame, 10, 10), face) << c.what;
    EXPECT_EQ(centre(w.button), face) << c.what;
    EXPECT_EQ(GetSysColor(COLOR_BTNFACE), face) << c.what;
    EXPECT_EQ(titleHeight(w.frame), plainTitle) << c.what;
  }
}

TEST(SkinEngine, FreeingTheEngineGivesTheWindowsBack) {
  TestWindow w;
  makeWindow(w);
  settle(w.frame);
  const COLORREF face = systemColour(COLOR_BTNFACE);
  const int plainTitle = titleHeight(w.frame);
  MappedModule* engine = loadEngine().release();
  ASSERT_NE(engine, nullptr);
  skinAsTheProgramDoes(engine, w.frame);
  settle(w.frame);
  ASSERT_NE(pixel(w.frame, 10, 10), face);
  freeImage(engine);
  settle(w.frame);
  EXPECT_EQ(pixel(w.frame, 10, 10), face);
  EXPECT_EQ(centre(w.button), face);
  EXPECT_EQ(GetSysColor(COLOR_BTNFACE), face);
  EXPECT_EQ(titleHeight(w.frame), plainTitle);
  // The creation hook went with it.
  HWND after = child(w.frame, L"BUTTON", L"", BS_PUSHBUTTON, 10, 40, 100, 30);
  settle(w.frame);
  EXPECT_EQ(centre(after), face);
}

struct BoxSeen {
  bool found = false;
  COLORREF buttonFace = 0;
} boxSeen;

void CALLBACK lookAtTheBox(HWND owner, UINT, UINT_PTR id, DWORD) {
  KillTimer(owner, id);
  HWND box = FindWindowW(L"#32770", L"Skin question");
  if (!box) return;
  HWND ok = GetDlgItem(box, IDOK);
  settle(box);
  RECT rc;
  GetClientRect(ok, &rc);
  boxSeen.found = true;
  boxSeen.buttonFace = pixel(ok, 5, rc.bottom / 2);
  SendMessageW(ok, BM_CLICK, 0, 0);
}

// A dialog made on the skinned thread later on takes the skin and still works.
TEST(SkinEngine, MessageBoxMadeLaterIsSkinnedAndAnswers) {
  TestWindow w;
  makeWindow(w);
  Module engine = loadEngine();
  ASSERT_TRUE(engine);
  skinAsTheProgramDoes(engine.get(), w.frame);
  settle(w.frame);
  SetTimer(w.frame, 7, 300, lookAtTheBox);
  EXPECT_EQ(MessageBoxW(w.frame, L"Is the box skinned?", L"Skin question", MB_OKCANCEL), IDOK);
  EXPECT_TRUE(boxSeen.found);
  EXPECT_NE(boxSeen.buttonFace, systemColour(COLOR_BTNFACE));
}

TEST(SkinEngine, PicturesWithAndWithoutTheSkinDiffer) {
  TestWindow w;
  makeWindow(w);
  settle(w.frame);
  savePicture(w.frame, L"skin_without.png");
  const std::vector<COLORREF> before = grab(w.frame);
  Module engine = loadEngine();
  ASSERT_TRUE(engine);
  skinAsTheProgramDoes(engine.get(), w.frame);
  settle(w.frame);
  savePicture(w.frame, L"skin_with.png");
  const std::vector<COLORREF> after = grab(w.frame);
  ASSERT_EQ(before.size(), after.size());
  size_t differing = 0;
  for (size_t i = 0; i < before.size(); ++i) differing += before[i] != after[i];
  EXPECT_GT(differing, before.size() / 2);
}

}  // namespace
