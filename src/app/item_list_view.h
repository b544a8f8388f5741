// 超级列表框1: the list view showing state.itemList in owner-data mode, its
// row count, the list buttons and the pop-up menu "列表菜单".
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class MainWindow;

// Creates the list view in `panel` and hooks "删除", "清空", "导入列表",
// "导出列表" and the menu entries. The model's changes (from any thread) reach
// the view as one posted refresh at a time.
void buildItemListView(MainWindow& window, HWND panel);

namespace itemlist {

// Sets the view's row count and 透明标签4 to the model's count (window thread).
void refreshCount(MainWindow& window);
// Selected rows in ascending order, and the current selection (-1 for none).
std::vector<int> selectedRows(MainWindow& window);
int currentSelection(MainWindow& window);

void clearList(MainWindow& window);
void deleteSelected(MainWindow& window);
void importList(MainWindow& window);
void exportList(MainWindow& window);
void openInSpreadsheet(MainWindow& window);
void openItemAddress(MainWindow& window);
void copyItemAddress(MainWindow& window);
void copyItemName(MainWindow& window);
void showListMenu(MainWindow& window, POINT screen);
HMENU listMenu(MainWindow& window);

// Where the spreadsheet export is written: run directory + "/temp.xls".
std::string spreadsheetPath(MainWindow& window);

}  // namespace itemlist
