#include "engine.h"

#include <commctrl.h>

namespace skin {

Engine g;

// A property and not the subclass's own data: the subclass query is not
// exported by name by every version of the controls library.
const wchar_t kSkinnedProperty[] = L"QuorvaneSkinned";

namespace {

HANDLE heap() { return GetProcessHeap(); }

// Classes the engine keeps out of: menus, tips, the browser control and its
// insides, and common controls it has no look for.
bool excludedClass(const wchar_t* name) {
  static const wchar_t* const kExcluded[] = {
      L"#32768",          L"tooltips_class32",    L"IME",              L"MSCTFIME UI",
      L"ComboLBox",       L"ScrollBar",           L"Shell Embedding",  L"Shell DocObject View",
      L"Internet Explorer_Server", L"SysTreeView32", L"msctls_updown32", L"SysDateTimePick32",
      L"SysMonthCal32",   L"SysAnimate32",        L"SysIPAddress32",   L"RichEdit20W",
      L"RichEdit20A",     L"RICHEDIT50W",         L"SysLink",          L"SysPager",
      L"ReBarWindow32",   L"ComboBoxEx32",        L"msctls_hotkey32",  L"NativeFontCtl",
      L"DirectUIHWND",    L"SHELLDLL_DefView",    L"CtrlNotifySink",   L"Auto-Suggest Dropdown",
      L"msctls_trackbar32", L"ComboBox",          L"ListBox",          L"MDIClient",
  };
  for (const wchar_t* e : kExcluded)
    if (lstrcmpiW(name, e) == 0) return true;
  // ActiveX hosts ("AtlAxWin...", "ATL:...") draw what they host.
  return (name[0] == L'A' || name[0] == L'a') && (name[1] == L't' || name[1] == L'T') &&
         (name[2] == L'l' || name[2] == L'L');
}

bool excludedOrDetached(HWND hwnd) {
  WCHAR name[64];
  for (HWND p = hwnd; p; p = GetParent(p)) {
    if (isDetached(p)) return true;
    if (!GetClassNameW(p, name, 64) || excludedClass(name)) return true;
    if (!(GetWindowLongW(p, GWL_STYLE) & WS_CHILD)) break;
  }
  return false;
}

bool classify(HWND hwnd, DWORD style, HWND parent, Kind& kind) {
  WCHAR name[64];
  if (!GetClassNameW(hwnd, name, 64) || excludedClass(name) || isDetached(hwnd)) return false;
  if (!(style & WS_CHILD)) {
    if (parent == HWND_MESSAGE) return false;
    if ((style & WS_CAPTION) == WS_CAPTION) {
      kind = KindFrame;
      return true;
    }
    if (style & WS_POPUP) {
      kind = KindPopup;
      return true;
    }
    return false;
  }
  if (!parent || excludedOrDetached(parent)) return false;
  if (lstrcmpiW(name, L"Button") == 0) {
    const DWORD type = style & BS_TYPEMASK;
    if ((type != BS_PUSHBUTTON && type != BS_DEFPUSHBUTTON) || (style & (BS_BITMAP | BS_ICON))) return false;
    kind = KindButton;
  } else if (lstrcmpiW(name, L"Static") == 0) {
    const DWORD type = style & SS_TYPEMASK;
    if (type != SS_ETCHEDHORZ && type != SS_ETCHEDVERT && type != SS_ETCHEDFRAME) return false;
    kind = KindEtched;
  } else if (lstrcmpiW(name, L"Edit") == 0) {
    kind = KindEdit;
  } else if (lstrcmpiW(name, WC_LISTVIEWW) == 0) {
    kind = KindList;
  } else if (lstrcmpiW(name, WC_HEADERW) == 0) {
    kind = KindHeader;
  } else if (lstrcmpiW(name, WC_TABCONTROLW) == 0) {
    if (style & (TCS_BUTTONS | TCS_BOTTOM | TCS_VERTICAL)) return false;
    kind = KindTab;
  } else if (lstrcmpiW(name, STATUSCLASSNAMEW) == 0) {
    kind = KindStatus;
  } else if (lstrcmpiW(name, PROGRESS_CLASSW) == 0) {
    if (style & (PBS_MARQUEE | PBS_VERTICAL)) return false;
    kind = KindProgress;
  } else if (lstrcmpiW(name, TOOLBARCLASSNAMEW) == 0) {
    kind = KindToolbar;
  } else {
    kind = KindContainer;  // dialogs and the program's own window classes
  }
  return true;
}

void skinWindow(HWND hwnd, Kind kind) {
  if (skinnedData(hwnd)) return;
  auto* d = static_cast<Skinned*>(HeapAlloc(heap(), HEAP_ZERO_MEMORY, sizeof(Skinned)));
  if (!d) return;
  d->kind = kind;
  // Unless the skin says otherwise, the title bar keeps the platform's height,
  // so that windows sized for their client area keep all of it.
  d->titleHeight = g.base.titleHeight > 0 ? g.base.titleHeight
                                          : GetSystemMetrics(SM_CYCAPTION) + GetSystemMetrics(SM_CYFIXEDFRAME) - 2;
  if (d->titleHeight < 16) d->titleHeight = 16;
  d->customFrame = kind == KindFrame && !GetMenu(hwnd);
  d->active = GetActiveWindow() == hwnd;
  if (kind == KindList) {
    d->listBk = COLORREF(SendMessageW(hwnd, LVM_GETBKCOLOR, 0, 0));
    d->listTextBk = COLORREF(SendMessageW(hwnd, LVM_GETTEXTBKCOLOR, 0, 0));
    d->listText = COLORREF(SendMessageW(hwnd, LVM_GETTEXTCOLOR, 0, 0));
  }
  if (!SetPropW(hwnd, kSkinnedProperty, d)) {
    HeapFree(heap(), 0, d);
    return;
  }
  if (!SetWindowSubclass(hwnd, skinProc, kSubclassId, reinterpret_cast<DWORD_PTR>(d))) {
    RemovePropW(hwnd, kSkinnedProperty);
    HeapFree(heap(), 0, d);
    return;
  }
  applyColours(hwnd, d);
  if (d->customFrame) setDwmFrame(hwnd, true);
}

void frameChanged(HWND hwnd) {
  SetWindowPos(hwnd, nullptr, 0, 0, 0, 0,
               SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
}

void skinExisting(HWND hwnd) {
  Kind kind;
  const DWORD style = DWORD(GetWindowLongW(hwnd, GWL_STYLE));
  HWND parent = (style & WS_CHILD) ? GetParent(hwnd) : nullptr;
  if (!classify(hwnd, style, parent, kind)) return;
  skinWindow(hwnd, kind);
  if (kind == KindFrame) frameChanged(hwnd);
}

BOOL CALLBACK skinChild(HWND hwnd, LPARAM) {
  skinExisting(hwnd);
  return TRUE;
}

BOOL CALLBACK skinTopLevel(HWND hwnd, LPARAM) {
  skinExisting(hwnd);
  EnumChildWindows(hwnd, skinChild, 0);
  RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
  return TRUE;
}

BOOL CALLBACK unskinChild(HWND hwnd, LPARAM) {
  unskinWindow(hwnd);
  return TRUE;
}

void unskinTree(HWND hwnd) {
  unskinWindow(hwnd);
  EnumChildWindows(hwnd, unskinChild, 0);
}

BOOL CALLBACK unskinTopLevel(HWND hwnd, LPARAM) {
  unskinTree(hwnd);
  RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
  return TRUE;
}

BOOL CALLBACK recolourChild(HWND hwnd, LPARAM) {
  if (Skinned* d = skinnedData(hwnd)) applyColours(hwnd, d);
  return TRUE;
}

BOOL CALLBACK recolourTopLevel(HWND hwnd, LPARAM) {
  recolourChild(hwnd, 0);
  EnumChildWindows(hwnd, recolourChild, 0);
  RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
  return TRUE;
}

LRESULT CALLBACK creationHook(int code, WPARAM wp, LPARAM lp) {
  if (code == HCBT_CREATEWND && g.attached) {
    HWND hwnd = reinterpret_cast<HWND>(wp);
    const CREATESTRUCTW* cs = reinterpret_cast<CBT_CREATEWNDW*>(lp)->lpcs;
    Kind kind;
    if (cs && classify(hwnd, DWORD(cs->style), cs->hwndParent, kind)) skinWindow(hwnd, kind);
  }
  return CallNextHookEx(g.hook, code, wp, lp);
}

// ---- the program's own system colours ----

DWORD WINAPI paletteSysColor(int index) {
  const int role = roleOfSystemColour(index);
  return g.attached && role >= 0 ? g.colour[role] : g.realGetSysColor(index);
}

HBRUSH WINAPI paletteSysColorBrush(int index) {
  const int role = roleOfSystemColour(index);
  return g.attached && role >= 0 && g.brush[role] ? g.brush[role] : g.realGetSysColorBrush(index);
}

void redirectSystemColours() {
  auto* base = reinterpret_cast<unsigned char*>(GetModuleHandleW(nullptr));
  auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
  if (!base || dos->e_magic != IMAGE_DOS_SIGNATURE) return;
  auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  if (!dir.Size) return;
  const auto colour = reinterpret_cast<ULONG_PTR>(g.realGetSysColor);
  const auto brush = reinterpret_cast<ULONG_PTR>(g.realGetSysColorBrush);
  for (auto* desc = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress); desc->Name; ++desc) {
    if (lstrcmpiA(reinterpret_cast<const char*>(base + desc->Name), "user32.dll") != 0) continue;
    for (auto* slot = reinterpret_cast<ULONG_PTR*>(base + desc->FirstThunk); *slot; ++slot) {
      ULONG_PTR replacement = *slot == colour ? reinterpret_cast<ULONG_PTR>(&paletteSysColor)
                              : *slot == brush ? reinterpret_cast<ULONG_PTR>(&paletteSysColorBrush)
                                               : 0;
      if (!replacement || g.patchedCount >= 8) continue;
      DWORD old;
      if (!VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &old)) continue;
      g.patchedSlot[g.patchedCount] = slot;
      g.patchedValue[g.patchedCount++] = *slot;
      *slot = replacement;
      VirtualProtect(slot, sizeof *slot, old, &old);
    }
  }
}

void restoreSystemColours() {
  for (int i = 0; i < g.patchedCount; ++i) {
    DWORD old;
    if (!VirtualProtect(g.patchedSlot[i], sizeof(ULONG_PTR), PAGE_READWRITE, &old)) continue;
    *g.patchedSlot[i] = g.patchedValue[i];
    VirtualProtect(g.patchedSlot[i], sizeof(ULONG_PTR), old, &old);
  }
  g.patchedCount = 0;
}

// ---- palette ----

void tint() {
  for (int r = 0; r < RoleCount; ++r) {
    // The close box stays red whatever the hue: it has to read as "close".
    g.colour[r] = shiftColour(g.base.colour[r], r == CloseHot ? 0 : g.hue, g.saturation, g.brightness);
    HBRUSH fresh = CreateSolidBrush(g.colour[r]);
    if (g.retired[r]) DeleteObject(g.retired[r]);
    g.retired[r] = g.brush[r];
    g.brush[r] = fresh;
  }
}

void releaseBrushes() {
  for (int r = 0; r < RoleCount; ++r) {
    if (g.brush[r]) DeleteObject(g.brush[r]);
    if (g.retired[r]) DeleteObject(g.retired[r]);
    g.brush[r] = g.retired[r] = nullptr;
  }
}

void shutDown() {
  if (g.hook) UnhookWindowsHookEx(g.hook);
  g.hook = nullptr;
  restoreSystemColours();
  // Subclasses can only be removed by the windows' own thread.
  if (g.attached && GetCurrentThreadId() == g.thread) {
    g.attached = false;
    EnumThreadWindows(g.thread, unskinTopLevel, 0);
  }
  g.attached = false;
  releaseBrushes();
  if (g.dwm) FreeLibrary(g.dwm);
  g.dwm = nullptr;
  g.dwmSetWindowAttribute = nullptr;
}

}  // namespace

bool isDetached(HWND hwnd) {
  for (int i = 0; i < g.detachedCount; ++i)
    if (g.detached[i] == hwnd) return true;
  return false;
}

bool hasClass(HWND hwnd, const wchar_t* name) {
  WCHAR actual[64];
  return GetClassNameW(hwnd, actual, 64) && lstrcmpiW(actual, name) == 0;
}

Skinned* skinnedData(HWND hwnd) { return static_cast<Skinned*>(GetPropW(hwnd, kSkinnedProperty)); }

void applyColours(HWND hwnd, Skinned* d) {
  if (d->kind != KindList) return;
  SendMessageW(hwnd, LVM_SETBKCOLOR, 0, LPARAM(g.colour[Field]));
  SendMessageW(hwnd, LVM_SETTEXTBKCOLOR, 0, LPARAM(g.colour[Field]));
  SendMessageW(hwnd, LVM_SETTEXTCOLOR, 0, LPARAM(g.colour[FieldText]));
}

void setDwmFrame(HWND hwnd, bool custom) {
  if (!g.dwmSetWindowAttribute) return;
  const DWORD policy = custom ? 1 : 0;  // DWMNCRP_DISABLED : DWMNCRP_USEWINDOWSTYLE
  g.dwmSetWindowAttribute(hwnd, 2 /* DWMWA_NCRENDERING_POLICY */, &policy, sizeof policy);
}

void unskinWindow(HWND hwnd) {
  Skinned* d = skinnedData(hwnd);
  if (!d) return;
  const bool frame = d->customFrame;
  if (d->kind == KindList) {
    SendMessageW(hwnd, LVM_SETBKCOLOR, 0, LPARAM(d->listBk));
    SendMessageW(hwnd, LVM_SETTEXTBKCOLOR, 0, LPARAM(d->listTextBk));
    SendMessageW(hwnd, LVM_SETTEXTCOLOR, 0, LPARAM(d->listText));
  }
  RemoveWindowSubclass(hwnd, skinProc, kSubclassId);
  RemovePropW(hwnd, kSkinnedProperty);
  HeapFree(heap(), 0, d);
  if (frame) {
    setDwmFrame(hwnd, false);
    frameChanged(hwnd);
  }
}

LRESULT CALLBACK skinProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR ref) {
  auto* d = reinterpret_cast<Skinned*>(ref);
  if (msg == WM_NCDESTROY) {
    RemoveWindowSubclass(hwnd, skinProc, kSubclassId);
    RemovePropW(hwnd, kSkinnedProperty);
    HeapFree(heap(), 0, d);
    return DefSubclassProc(hwnd, msg, wp, lp);
  }
  bool handled = false;
  LRESULT r = 0;
  if (d->kind == KindFrame || d->kind == KindPopup) {
    r = frameMessage(hwnd, d, msg, wp, lp, handled);
    if (handled) return r;
  }
  if (d->kind == KindFrame || d->kind == KindPopup || d->kind == KindContainer || d->kind == KindTab ||
      d->kind == KindToolbar) {
    r = parentMessage(hwnd, d, msg, wp, lp, handled);
    if (handled) return r;
  }
  r = controlMessage(hwnd, d, msg, wp, lp, handled);
  if (handled) return r;
  return DefSubclassProc(hwnd, msg, wp, lp);
}

}  // namespace skin

using namespace skin;

extern "C" {

// Skin data and its size, a password (unused: the data is not sealed), and the
// starting hue, saturation and brightness shifts. 1 when the skin took.
__declspec(dllexport) int WINAPI SkinH_AttachRes(const unsigned char* data, int size, const char* password, int hue,
                                                 int saturation, int brightness) {
  (void)password;
  Palette palette;
  if (!parseSkinData(data, size, palette)) return 0;
  g.base = palette;
  g.hue = hue;
  g.saturation = saturation;
  g.brightness = brightness;
  if (!g.attached) {
    HMODULE user = GetModuleHandleW(L"user32.dll");
    g.realGetSysColor = reinterpret_cast<DWORD(WINAPI*)(int)>(
        reinterpret_cast<void (*)()>(GetProcAddress(user, "GetSysColor")));
    g.realGetSysColorBrush = reinterpret_cast<HBRUSH(WINAPI*)(int)>(
        reinterpret_cast<void (*)()>(GetProcAddress(user, "GetSysColorBrush")));
    if (!g.realGetSysColor || !g.realGetSysColorBrush) return 0;
    for (int i = 0; i < 31; ++i) g.realBrush[i] = g.realGetSysColorBrush(i);
    g.dwm = LoadLibraryW(L"dwmapi.dll");
    if (g.dwm)
      g.dwmSetWindowAttribute = reinterpret_cast<HRESULT(WINAPI*)(HWND, DWORD, LPCVOID, DWORD)>(
          reinterpret_cast<void (*)()>(GetProcAddress(g.dwm, "DwmSetWindowAttribute")));
    tint();
    g.thread = GetCurrentThreadId();
    g.hook = SetWindowsHookExW(WH_CBT, creationHook, nullptr, g.thread);
    if (!g.hook) {
      shutDown();
      return 0;
    }
    redirectSystemColours();
    g.attached = true;
    EnumThreadWindows(g.thread, skinTopLevel, 0);
  } else {
    tint();
    EnumThreadWindows(g.thread, recolourTopLevel, 0);
  }
  return 1;
}

// Title bar of a top-level window: on (1) or the platform's (0), its height,
// caption alignment (0 left, 1 centred) and how much darker the bar's lower
// edge is, in percent.
__declspec(dllexport) int WINAPI SkinH_SetTitleMenuBar(HWND hwnd, int show, int height, int align, int shade) {
  if (!g.attached || !IsWindow(hwnd)) return 0;
  Skinned* d = skinnedData(hwnd);
  if (!d) {
    skinExisting(hwnd);
    d = skinnedData(hwnd);
  }
  if (!d || d->kind != KindFrame) return 0;
  d->customFrame = show != 0 && !GetMenu(hwnd);
  if (height > 0) d->titleHeight = height < 12 ? 12 : height > 64 ? 64 : height;
  d->titleAlign = align;
  d->titleShade = shade < 0 ? 0 : shade > 100 ? 100 : shade;
  setDwmFrame(hwnd, d->customFrame);
  frameChanged(hwnd);
  RedrawWindow(hwnd, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);
  return 1;
}

// Hue in degrees, saturation and brightness in percent (-100 to 100); the
// windows take the new colours at once.
__declspec(dllexport) int WINAPI SkinH_AdjustHSV(int hue, int saturation, int brightness) {
  g.hue = hue;
  g.saturation = saturation;
  g.brightness = brightness;
  if (!g.attached) return 0;
  tint();
  EnumThreadWindows(g.thread, recolourTopLevel, 0);
  return 1;
}

// Leaves a window and everything inside it to its own drawing, now and for
// windows created in it later.
__declspec(dllexport) int WINAPI SkinH_DetachEx(HWND hwnd) {
  if (!IsWindow(hwnd)) return 0;
  if (!isDetached(hwnd)) {
    int kept = 0;
    for (int i = 0; i < g.detachedCount; ++i)
      if (IsWindow(g.detached[i])) g.detached[kept++] = g.detached[i];
    g.detachedCount = kept;
    if (g.detachedCount == int(sizeof g.detached / sizeof g.detached[0])) return 0;
    g.detached[g.detachedCount++] = hwnd;
  }
  unskinTree(hwnd);
  RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
  return 1;
}

BOOL WINAPI DllMainCRTStartup(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) g.self = instance;
  if (reason == DLL_PROCESS_DETACH) shutDown();
  return TRUE;
}

}  // extern "C"
