#include <windows.h>
#include <objbase.h>
#include <ole2.h>

#include <algorithm>
namespace Gdiplus {
using std::max;
using std::min;
}  // namespace Gdiplus
#include <gdiplus.h>

#include "app/app_state.h"
#include "app/main_window.h"
#include "app/tray_icon.h"
#include "ui/skin.h"
#include "util/time_stamps.h"

namespace {
// OLE for the window thread (web views, the COM request classes); released after
// the main window is gone.
struct OleThread {
  bool ok = SUCCEEDED(OleInitialize(nullptr));
  ~OleThread() {
    if (ok) OleUninitialize();
  }
};
}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  // The state lives for the whole process and is released when WinMain returns,
  // after the window and everything else that refers to it.
  AppState state;
  state.trayIcon = newTrayIcon();
  OleThread ole;

  loadSkinEngine(state);

  // Version 1, no debug routine, its background thread and codecs left on. The
  // library stays up for the life of the process.
  Gdiplus::GdiplusStartupInput input;
  ULONG_PTR token = 0;
  if (Gdiplus::GdiplusStartup(&token, &input, nullptr) == Gdiplus::Ok) state.graphicsToken = token;

  timestamps::refreshClock();
  state.taskbarCreatedMessage = RegisterWindowMessageW(L"TaskbarCreated");

  MainWindow window(state);
  if (!window.create()) return 1;
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return state.exitCode;
}
