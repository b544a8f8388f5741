// A web view: hosts the platform's browser control showing an address; where
// the control cannot be created (no HTML engine), it shows the address as a
// link that opens it in the default browser instead.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace ui {

using OpenAddress = std::function<void(const std::string& addressGbk)>;

// A child window of `parent` at the given place, showing `addressGbk`.
// `open` is called with the address when the user clicks the link.
HWND createWebView(HWND parent, int id, int x, int y, int width, int height, const std::string& addressGbk,
                   HFONT font, OpenAddress open);
// Shows another address (or the same one again).
void webViewShow(HWND view, const std::string& addressGbk);
bool webViewShowsBrowser(HWND view);
std::string webViewAddress(HWND view);
// Where the address link lies (client coordinates); empty while the browser shows.
RECT webViewLinkRect(HWND view);

}  // namespace ui
