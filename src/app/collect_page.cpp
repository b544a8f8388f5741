// Page "采集": the address box with its placeholder, the data package path with
// "更改", the item list area and the operation record.
#include <windows.h>
#include <commctrl.h>

#include "app/app_state.h"
#include "app/item_list_view.h"
#include "app/main_window.h"
#include "app/output_path.h"
#include "app/page_switch.h"
#include "util/text.h"

namespace {

std::string windowTextOf(HWND h) {
  int n = GetWindowTextLengthW(h);
  std::wstring w(size_t(n) + 1, L'\0');
  n = GetWindowTextW(h, w.data(), n + 1);
  w.resize(size_t(n < 0 ? 0 : n));
  return text::fromWide(w);
}

// 编辑框1: a click into a placeholder clears it; leaving the box empty puts
// back the placeholder of the current mode.
LRESULT CALLBACK addressBoxProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR ref) {
  auto* state = reinterpret_cast<AppState*>(ref);
  switch (msg) {
    case WM_LBUTTONDOWN:
      if (isPlaceholder(windowTextOf(hwnd))) SetWindowTextW(hwnd, L"");
      break;
    case WM_KILLFOCUS: {
      LRESULT r = DefSubclassProc(hwnd, msg, wp, lp);
      if (GetWindowTextLengthW(hwnd) == 0) {
        std::string placeholder = placeholderFor(state->collectMode);
        if (!placeholder.empty()) SetWindowTextW(hwnd, text::toWide(placeholder).c_str());
      }
      return r;
    }
    case WM_NCDESTROY:
      RemoveWindowSubclass(hwnd, addressBoxProc, id);
      break;
    default:
      break;
  }
  return DefSubclassProc(hwnd, msg, wp, lp);
}

void changeOutputPath(MainWindow& window) {
  AppState& state = window.state();
  FileDialogRequest request;
  request.save = true;
  request.mustExist = false;
  request.filter = "逗号分隔符文件(*.csv)|*.csv";
  request.defaultExtension = ".csv";
  std::optional<std::string> chosen = state.ui->fileDialog(window.hwnd(), request);
  if (!chosen) return;
  std::string path = *chosen;
  window.setControlText(kPathBox, path);
  if (text::find(path, ".") < 0) {
    path += ".csv";
    window.setControlText(kPathBox, path);
  }
  applyOutputPath(state, path);
  if (state.outputFileStem.empty()) {
    state.ui->messageBox(window.hwnd(), "请检查文件名是否正确！", "提示", MB_OK | MB_ICONWARNING);
    window.setControlText(kPathBox, "");
  }
}

// A picture box with a centred caption label on it.
void captionBox(MainWindow& window, HWND page, ControlId box, ControlId label, const char* caption, int x, int y) {
  HWND panel = window.createContainer(page, box, x, y, 116, 30);
  window.createControl(panel, L"STATIC", caption, WS_VISIBLE | SS_CENTERIMAGE | SS_RIGHT | SS_NOPREFIX, 0, 0, 112,
                       30, label);
}

}  // namespace

void buildCollectPage(MainWindow& window, HWND page) {
  AppState& state = window.state();

  captionBox(window, page, kAddressCaptionBox, kAddressCaption, "商品地址：", 7, 2);
  HWND address = window.createControl(page, L"EDIT", "请输入宝贝地址", WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL,
                                      122, 2, 448, 30, kAddressBox, WS_EX_CLIENTEDGE);
  SetWindowSubclass(address, addressBoxProc, 1, reinterpret_cast<DWORD_PTR>(&state));
  window.createControl(page, L"BUTTON", "添加到列表", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 577, 2, 76, 30,
                       kAddButton);

  captionBox(window, page, kPathCaptionPanel, kPathCaption, "保存路径：", 7, 37);
  window.createControl(page, L"EDIT", "", WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, 122, 37, 449, 30, kPathBox,
                       WS_EX_CLIENTEDGE);
  window.createControl(page, L"BUTTON", "更改", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 578, 37, 76, 30,
                       kChangePathButton);
  window.onCommand(kChangePathButton, [&window](int code) {
    if (code == BN_CLICKED) changeOutputPath(window);
  });

  HWND listPanel = window.createContainer(page, kListPanel, 7, 73, 687, 248);
  buildItemListView(window, listPanel);
  window.createControl(listPanel, L"STATIC", "宝贝数：", WS_VISIBLE | SS_CENTERIMAGE | SS_NOPREFIX, 580, -2, 44, 24,
                       kCountCaption);
  window.createControl(listPanel, L"STATIC", "0", WS_VISIBLE | SS_CENTERIMAGE | SS_NOPREFIX, 633, -2, 44, 24,
                       kCountLabel);
  struct Button {
    ControlId id;
    const char* caption;
    int x, y, width, height;
    DWORD extra;
  } buttons[] = {
      {kDeleteButton, "删除", 590, 20, 72, 24, WS_VISIBLE},
      {kCompletionButton, "pms", 571, 39, 16, 48, 0},  // hidden: the end of a run clicks it
      {kClearButton, "清空", 590, 47, 72, 24, WS_VISIBLE},
      {kImportButton, "导入列表", 590, 74, 72, 24, WS_VISIBLE},
      {kExportButton, "导出列表", 590, 102, 72, 24, WS_VISIBLE},
      {kStartButton, "生成数据包", 579, 139, 91, 30, WS_VISIBLE},
      {kPauseButton, "暂停", 579, 175, 91, 30, WS_VISIBLE | WS_DISABLED},
      {kStopButton, "停止", 579, 211, 91, 30, WS_VISIBLE | WS_DISABLED},
  };
  for (const Button& b : buttons) {
    window.createControl(listPanel, L"BUTTON", b.caption, b.extra | WS_TABSTOP | BS_PUSHBUTTON, b.x, b.y, b.width,
                         b.height, b.id);
    if (b.id == kExportButton)
      window.createControl(listPanel, L"STATIC", "", WS_VISIBLE | SS_ETCHEDHORZ, 562, 129, 128, 2, kListSeparator);
  }

  HWND tab = window.createControl(page, WC_TABCONTROLW, "", WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, 7, 326,
                                  688, 136, kLogTab);
  std::wstring caption = text::toWide("操作记录");
  TCITEMW item{};
  item.mask = TCIF_TEXT;
  item.pszText = caption.data();
  SendMessageW(tab, TCM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
  RECT inside{0, 0, 688, 136};
  SendMessageW(tab, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&inside));
  HWND log = window.createControl(
      tab, L"EDIT", "",
      WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | ES_AUTOHSCROLL,
      inside.left, inside.top, inside.right - inside.left, inside.bottom - inside.top, kLogBox, WS_EX_CLIENTEDGE);
  SendMessageW(log, EM_SETLIMITTEXT, 0, 0);  // the record grows for the whole session
}
