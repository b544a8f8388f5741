// "添加到列表" on the main window: the address steps and any crawl run on
// threads of the session, and the button stays disabled until they are done,
// so a second click cannot change the crawl fields the running threads read.
#include <windows.h>
#include <commctrl.h>

#include <memory>

#include "app/app_state.h"
#include "app/main_window.h"
#include "discovery/collect_session.h"

namespace {

constexpr UINT_PTR kSessionSubclass = 0x51C0;

// The session goes with the button: the window destroys its children while it
// is still whole, so the threads are joined before anything they report to goes.
LRESULT CALLBACK addButtonProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR data) {
  if (msg == WM_NCDESTROY) {
    auto* session = reinterpret_cast<std::shared_ptr<CollectSession>*>(data);
    RemoveWindowSubclass(hwnd, addButtonProc, kSessionSubclass);
    (*session)->shutdown();
    delete session;
  }
  return DefSubclassProc(hwnd, msg, wp, lp);
}

}  // namespace

void attachDiscovery(MainWindow& window) {
  HWND button = window.control(kAddButton);
  if (!button) return;
  AppState& state = window.state();
  auto session = std::make_shared<CollectSession>(state, [&window] {
    window.postTask([&window] {
      if (HWND b = window.control(kAddButton)) EnableWindow(b, TRUE);
    });
  });
  SetWindowSubclass(button, addButtonProc, kSessionSubclass,
                    reinterpret_cast<DWORD_PTR>(new std::shared_ptr<CollectSession>(session)));

  window.onCommand(kAddButton, [&window, &state, session](int code) {
    if (code != BN_CLICKED) return;
    const std::string address = window.controlText(kAddressBox);
    std::string mode;
    {
      std::lock_guard<std::mutex> lock(state.crawlMutex);
      mode = state.collectMode;
    }
    // The idle notice is posted, so it always comes after this.
    if (session->begin(address, mode)) EnableWindow(window.control(kAddButton), FALSE);
  });
  window.onExit([session] { session->stop(); });
}
