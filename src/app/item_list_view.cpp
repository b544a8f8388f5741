#include "app/item_list_view.h"

#include <commctrl.h>

#include <atomic>
#include <memory>

#include "app/app_state.h"
#include "app/main_window.h"
#include "discovery/list_file.h"
#include "discovery/item_list_workbook.h"
#include "util/file_io.h"
#include "util/text.h"

namespace {

const char kListFilter[] = "宝贝列表文件(*.txt)|*.txt";
const char kListExtension[] = ".txt";

struct Column {
  const char* heading;
  int width;
};
const Column kColumns[4] = {{"名称", 500}, {"价格", 100}, {"宝贝地址", 50}, {"ID", 100}};

// What goes with the list view: its pop-up menu, and the model's route to it.
// The view carries it as a property.
const wchar_t kDataProperty[] = L"Quorvane.ItemListView";
struct ListViewData {
  HMENU menu = nullptr;
  AppState* state = nullptr;
};

LRESULT CALLBACK listViewProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR ref) {
  if (msg == WM_NCDESTROY) {
    auto* data = reinterpret_cast<ListViewData*>(ref);
    data->state->itemList.setNotify({});  // nothing left to post refreshes to
    DestroyMenu(data->menu);
    delete data;
    RemovePropW(hwnd, kDataProperty);
    RemoveWindowSubclass(hwnd, listViewProc, id);
  }
  return DefSubclassProc(hwnd, msg, wp, lp);
}

HWND viewOf(MainWindow& window) { return window.control(kItemListView); }

void deselectAll(HWND view) {
  LVITEMW item{};
  item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  item.state = 0;
  SendMessageW(view, LVM_SETITEMSTATE, WPARAM(-1), reinterpret_cast<LPARAM>(&item));
  SendMessageW(view, LVM_SETSELECTIONMARK, 0, -1);
}

LRESULT onListNotify(MainWindow& window, NMHDR* nm) {
  AppState& state = window.state();
  switch (nm->code) {
    case LVN_GETDISPINFOW: {
      auto* di = reinterpret_cast<NMLVDISPINFOW*>(nm);
      if ((di->item.mask & LVIF_TEXT) && di->item.pszText && di->item.cchTextMax > 0) {
        std::wstring cell = text::toWide(state.itemList.cellText(di->item.iItem, di->item.iSubItem));
        size_t n = std::min(cell.size(), size_t(di->item.cchTextMax - 1));
        cell.copy(di->item.pszText, n);
        di->item.pszText[n] = L'\0';
      }
      return 0;
    }
    case LVN_ODFINDITEMW:
      return -1;  // no type-ahead search in the rows
    case NM_RCLICK: {
      POINT p;
      GetCursorPos(&p);
      itemlist::showListMenu(window, p);
      return 0;
    }
    default:
      return 0;
  }
}

void message(MainWindow& window, const std::string& text, const std::string& title, unsigned flags) {
  window.state().ui->messageBox(window.hwnd(), text, title, flags);
}

FileDialogRequest listFileDialog(bool save) {
  FileDialogRequest r;
  r.save = save;
  r.mustExist = !save;
  r.filter = kListFilter;
  r.defaultExtension = kListExtension;
  return r;
}

}  // namespace

void buildItemListView(MainWindow& window, HWND panel) {
  AppState& state = window.state();
  HWND view = window.createControl(panel, WC_LISTVIEWW, "",
                                   WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_OWNERDATA | LVS_SHOWSELALWAYS, -1, -1,
                                   564, 248, kItemListView, WS_EX_CLIENTEDGE);
  SendMessageW(view, LVM_SETEXTENDEDLISTVIEWSTYLE, 0,
               LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES | LVS_EX_DOUBLEBUFFER);
  for (int c = 0; c < 4; ++c) {
    std::wstring heading = text::toWide(kColumns[c].heading);
    LVCOLUMNW col{};
    col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    col.pszText = heading.data();
    col.cx = kColumns[c].width;
    col.iSubItem = c;
    SendMessageW(view, LVM_INSERTCOLUMNW, WPARAM(c), reinterpret_cast<LPARAM>(&col));
  }

  HMENU menu = CreatePopupMenu();
  struct Entry {
    int id;
    const char* caption;
  } entries[] = {{kMenuExportList, "导出宝贝列表"},     {kMenuOpenAddress, "用IE打开宝贝链接"},
                 {kMenuOpenSpreadsheet, "用EXCEL打开宝贝列表"}, {0, nullptr},
                 {kMenuCopyAddress, "复制宝贝地址"},    {kMenuCopyName, "复制宝贝名称"},
                 {kMenuDeleteSelected, "删除选中宝贝"}, {0, nullptr}};
  for (const Entry& e : entries) {
    if (e.caption)
      AppendMenuW(menu, MF_STRING, UINT_PTR(e.id), text::toWide(e.caption).c_str());
    else
      AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  }
  auto* data = new ListViewData{menu, &state};
  SetPropW(view, kDataProperty, data);
  SetWindowSubclass(view, listViewProc, 1, reinterpret_cast<DWORD_PTR>(data));

  window.onNotify(kItemListView, [&window](NMHDR* nm) { return onListNotify(window, nm); });

  auto click = [&window](ControlId id, void (*action)(MainWindow&)) {
    window.onCommand(id, [&window, action](int code) {
      if (code == BN_CLICKED) action(window);
    });
  };
  click(kClearButton, itemlist::clearList);
  click(kDeleteButton, itemlist::deleteSelected);
  click(kImportButton, itemlist::importList);
  click(kExportButton, itemlist::exportList);
  click(ControlId(kMenuExportList), itemlist::exportList);
  click(ControlId(kMenuOpenAddress), itemlist::openItemAddress);
  click(ControlId(kMenuOpenSpreadsheet), itemlist::openInSpreadsheet);
  click(ControlId(kMenuCopyAddress), itemlist::copyItemAddress);
  click(ControlId(kMenuCopyName), itemlist::copyItemName);
  click(ControlId(kMenuDeleteSelected), itemlist::deleteSelected);

  // Changes come from any thread; one refresh waits in the queue at a time.
  auto queued = std::make_shared<std::atomic<bool>>(false);
  MainWindow* target = &window;
  state.itemList.setNotify([target, queued] {
    if (queued->exchange(true)) return;
    target->postTask([target, queued] {
      queued->store(false);
      itemlist::refreshCount(*target);
    });
  });
  itemlist::refreshCount(window);
}

namespace itemlist {

void refreshCount(MainWindow& window) {
  int n = window.state().itemList.rowCount();
  if (HWND view = viewOf(window)) {
    SendMessageW(view, LVM_SETITEMCOUNT, WPARAM(n), LVSICF_NOSCROLL);
    InvalidateRect(view, nullptr, FALSE);
  }
  window.setControlText(kCountLabel, text::decimal(n));
}

std::vector<int> selectedRows(MainWindow& window) {
  std::vector<int> rows;
  HWND view = viewOf(window);
  if (!view) return rows;
  int i = -1;
  while ((i = int(SendMessageW(view, LVM_GETNEXTITEM, WPARAM(i), LVNI_SELECTED))) >= 0) rows.push_back(i);
  return rows;
}

int currentSelection(MainWindow& window) {
  HWND view = viewOf(window);
  if (!view) return -1;
  int mark = int(SendMessageW(view, LVM_GETSELECTIONMARK, 0, 0));
  if (mark >= 0 && (SendMessageW(view, LVM_GETITEMSTATE, WPARAM(mark), LVIS_SELECTED) & LVIS_SELECTED)) return mark;
  return int(SendMessageW(view, LVM_GETNEXTITEM, WPARAM(-1), LVNI_SELECTED));
}

void clearList(MainWindow& window) {
  if (HWND view = viewOf(window)) deselectAll(view);
  window.state().itemList.clear();
  refreshCount(window);
}

void deleteSelected(MainWindow& window) {
  // By row number, not by name: with two rows of one name, the selected one goes.
  std::vector<int> rows = selectedRows(window);
  if (!rows.empty()) {
    deselectAll(viewOf(window));
    window.state().itemList.removeRows(std::move(rows));
  }
  refreshCount(window);
}

void importList(MainWindow& window) {
  AppState& state = window.state();
  std::optional<std::string> path = state.ui->fileDialog(window.hwnd(), listFileDialog(false));
  if (!path) return;
  std::optional<std::string> bytes = fileio::readWholeFile(*path);
  if (!bytes) {
    message(window, "无法打开宝贝列表文件：" + *path + "\r\n宝贝列表没有改变。", "提示", MB_OK | MB_ICONWARNING);
    return;
  }
  if (HWND view = viewOf(window)) deselectAll(view);
  state.itemList.replaceAll(listfile::parse(*bytes));
  refreshCount(window);
  message(window, "已经成功导入宝贝列表！", "温馨提示：", MB_OK | MB_ICONINFORMATION);
}

void exportList(MainWindow& window) {
  AppState& state = window.state();
  if (state.itemList.rowCount() == 0) return;
  std::optional<std::string> path = state.ui->fileDialog(window.hwnd(), listFileDialog(true));
  if (!path) return;
  // Written as it is: trimming would take the leading spaces of the first name.
  if (!fileio::writeWholeFile(*path, listfile::format(state.itemList.snapshot()))) {
    message(window, "无法写入宝贝列表文件：" + *path + "\r\n宝贝列表没有导出。", "提示", MB_OK | MB_ICONWARNING);
    return;
  }
  message(window, "宝贝列表已经成功导出！", "", MB_OK | MB_ICONINFORMATION);
}

std::string spreadsheetPath(MainWindow& window) { return window.state().runDirectory() + "/temp.xls"; }

void openInSpreadsheet(MainWindow& window) {
  AppState& state = window.state();
  std::string bytes = itemListWorkbook(state.itemList.snapshot());
  std::string path = spreadsheetPath(window);
  if (!fileio::writeWholeFile(path, bytes)) {
    message(window, "无法写入表格文件：" + path, "提示", MB_OK | MB_ICONWARNING);
    return;
  }
  MainWindow::pumpPending();
  state.ui->shellOpen(path);
}

void openItemAddress(MainWindow& window) {
  std::string address = window.state().itemList.cellText(currentSelection(window), 2);
  if (!address.empty()) window.state().ui->shellOpen(address);  // an empty target would open a folder window
}

void copyItemAddress(MainWindow& window) {
  window.state().ui->setClipboardText(window.hwnd(), window.state().itemList.cellText(currentSelection(window), 2));
}

void copyItemName(MainWindow& window) {
  window.state().ui->setClipboardText(window.hwnd(), window.state().itemList.cellText(currentSelection(window), 0));
}

HMENU listMenu(MainWindow& window) {
  HWND view = viewOf(window);
  auto* data = view ? static_cast<ListViewData*>(GetPropW(view, kDataProperty)) : nullptr;
  return data ? data->menu : nullptr;
}

void showListMenu(MainWindow& window, POINT screen) {
  if (HMENU menu = listMenu(window))
    TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, screen.x, screen.y, 0, window.hwnd(),
                   nullptr);
}

}  // namespace itemlist
