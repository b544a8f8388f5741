// Page "帮助": a tool bar over the web view with the maker's help page.
#include <windows.h>
#include <commctrl.h>

#include "app/app_state.h"
#include "app/main_window.h"
#include "ui/web_view.h"
#include "util/text.h"

namespace {

void addToolButton(HWND toolbar, int command, const std::string& caption) {
  std::wstring w = text::toWide(caption);
  w.push_back(L'\0');  // the string list ends with an empty string
  INT_PTR index = SendMessageW(toolbar, TB_ADDSTRINGW, 0, reinterpret_cast<LPARAM>(w.c_str()));
  TBBUTTON b{};
  b.iBitmap = I_IMAGENONE;
  b.idCommand = command;
  b.fsState = TBSTATE_ENABLED;
  b.fsStyle = BTNS_BUTTON | BTNS_AUTOSIZE | BTNS_SHOWTEXT;
  b.iString = index;
  SendMessageW(toolbar, TB_ADDBUTTONSW, 1, reinterpret_cast<LPARAM>(&b));
}

}  // namespace

void buildHelpPage(MainWindow& window, HWND page) {
  AppState& state = window.state();
  HWND toolbar = window.createControl(
      page, TOOLBARCLASSNAMEW, "",
      WS_VISIBLE | CCS_NORESIZE | CCS_NODIVIDER | CCS_NOPARENTALIGN | TBSTYLE_FLAT | TBSTYLE_LIST, 3, 1, 703, 28,
      kHelpToolbar);
  SendMessageW(toolbar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
  SendMessageW(toolbar, TB_SETBITMAPSIZE, 0, MAKELPARAM(0, 0));
  addToolButton(toolbar, kHelpReload, "帮助首页");
  addToolButton(toolbar, kHelpInBrowser, "在浏览器中打开");

  HWND view = ui::createWebView(page, kHelpView, 1, 28, 700, 361, state.endpoints.helpUrl, window.font(),
                                [&state](const std::string& address) { state.ui->shellOpen(address); });
  window.registerControl(kHelpView, view);

  window.onCommand(kHelpReload, [&window, &state](int) {
    ui::webViewShow(window.control(kHelpView), state.endpoints.helpUrl);
  });
  window.onCommand(kHelpInBrowser, [&state](int) { state.ui->shellOpen(state.endpoints.helpUrl); });
}
