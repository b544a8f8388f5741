// TEMPORARY stand-ins for the pages and the navigation bar, so the program links
// before their own files land. Only what the shell itself uses is made here.
// Delete this file when buildStartPage, buildCollectPage, buildHelpPage,
// setBanner and buildNavigationBar have their real definitions.
#include "app/banner.h"
#include "app/main_window.h"

void buildStartPage(MainWindow&, HWND) {}

void buildCollectPage(MainWindow& w, HWND page) {
  w.createControl(page, L"EDIT", "", WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, 122, 37, 449, 30, kPathBox,
                  WS_EX_CLIENTEDGE);
  w.createControl(page, L"EDIT", "", WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_READONLY, 7, 326,
                  688, 136, kLogBox, WS_EX_CLIENTEDGE);
}

void buildHelpPage(MainWindow&, HWND) {}

void setBanner(MainWindow&, int) {}

void buildNavigationBar(MainWindow&) {}
