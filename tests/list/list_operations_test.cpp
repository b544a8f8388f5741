// The item list on the main window: view, count, buttons, menu and list files.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "app/app_state.h"
#include "app/item_list_view.h"
#include "app/main_window.h"
#include "app/shell_fixture.h"
#include "discovery/item_list_workbook.h"
#include "discovery/list_file.h"
#include "list/item_rows.h"
#include "util/file_io.h"
#include "util/text.h"

namespace {

using shelltest::ShellTest;

class ListOperationsTest : public ShellTest {
 protected:
  void SetUp() override {
    ShellTest::SetUp();
    makeWindow(false);
  }

  HWND view() { return control(kItemListView); }
  void add(const std::vector<ItemRow>& rows) {
    for (const ItemRow& r : rows) state->itemList.addItemRow(r.name, r.price, r.address, r.id);
    shelltest::pumpUntil([&] { return text(kCountLabel) == text::decimal(state->itemList.rowCount()); });
  }
  std::vector<ItemRow> rows() { return state->itemList.snapshot(); }
  void select(std::vector<int> indexes) {
    LVITEMW none{};
    none.stateMask = LVIS_SELECTED;
    SendMessageW(view(), LVM_SETITEMSTATE, WPARAM(-1), reinterpret_cast<LPARAM>(&none));
    for (int i : indexes) {
      LVITEMW it{};
      it.stateMask = LVIS_SELECTED;
      it.state = LVIS_SELECTED;
      SendMessageW(view(), LVM_SETITEMSTATE, WPARAM(i), reinterpret_cast<LPARAM>(&it));
    }
  }
  void press(ControlId id) { SendMessageW(control(id), BM_CLICK, 0, 0); }
  void menu(int id) { SendMessageW(window->hwnd(), WM_COMMAND, MAKEWPARAM(id, 0), 0); }
  std::string shownCell(int row, int column) {
    wchar_t buffer[512] = {};
    LVITEMW it{};
    it.iSubItem = column;
    it.pszText = buffer;
    it.cchTextMax = 512;
    SendMessageW(view(), LVM_GETITEMTEXTW, WPARAM(row), reinterpret_cast<LPARAM>(&it));
    return text::fromWide(buffer);
  }
  int shownCount() { return int(SendMessageW(view(), LVM_GETITEMCOUNT, 0, 0)); }
  std::string file(const char* name) { return runDir.path() + "\\" + name; }

  const std::vector<ItemRow> three = {{"连衣裙", "128.00", "http://127.0.0.1:8612/item.htm?id=1", "1"},
                                      {"T恤", "", "http://127.0.0.1:8612/item.htm?id=2", "2"},
                                      {"连衣裙", "99.00", "http://127.0.0.1:8612/item.htm?id=3", "3"}};
};

TEST_F(ListOperationsTest, ViewHasTheFourColumnsInOwnerDataMode) {
  struct Column {
    const wchar_t* heading;
    int width;
  } columns[] = {{L"名称", 500}, {L"价格", 100}, {L"宝贝地址", 50}, {L"ID", 100}};
  for (int c = 0; c < 4; ++c) {
    wchar_t buffer[32] = {};
    LVCOLUMNW col{};
    col.mask = LVCF_TEXT | LVCF_WIDTH;
    col.pszText = buffer;
    col.cchTextMax = 32;
    ASSERT_TRUE(SendMessageW(view(), LVM_GETCOLUMNW, WPARAM(c), reinterpret_cast<LPARAM>(&col)));
    EXPECT_EQ(std::wstring(buffer), columns[c].heading);
    EXPECT_EQ(col.cx, columns[c].width);
  }
  LONG_PTR style = GetWindowLongPtrW(view(), GWL_STYLE);
  EXPECT_TRUE(style & LVS_OWNERDATA);
  EXPECT_EQ(style & LVS_TYPEMASK, LVS_REPORT);
  EXPECT_FALSE(style & LVS_SINGLESEL);
}

TEST_F(ListOperationsTest, RowsAddedFromAnyThreadShowWithTheirCount) {
  EXPECT_EQ(text(kCountLabel), "0");
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([this, t] {
      for (int i = 0; i < 250; ++i)
        state->itemList.addItemRow("宝贝" + text::decimal(t * 1000 + i), "1.00", "http://h/" + text::decimal(i),
                                   text::decimal(t * 1000 + i));
    });
  for (auto& t : threads) t.join();
  ASSERT_TRUE(shelltest::pumpUntil([&] { return text(kCountLabel) == "1000"; }));
  EXPECT_EQ(shownCount(), 1000);
  add(three);
  EXPECT_EQ(text(kCountLabel), "1003");
  EXPECT_EQ(shownCell(1000, 0), "连衣裙");
  EXPECT_EQ(shownCell(1000, 1), "128.00");
  EXPECT_EQ(shownCell(1001, 1), "");
  EXPECT_EQ(shownCell(1002, 2), "http://127.0.0.1:8612/item.htm?id=3");
  EXPECT_EQ(shownCell(1002, 3), "3");
}

TEST_F(ListOperationsTest, ClearEmptiesTheListAndShowsZero) {
  add(three);
  press(kClearButton);
  EXPECT_EQ(state->itemList.rowCount(), 0);
  EXPECT_EQ(shownCount(), 0);
  EXPECT_EQ(text(kCountLabel), "0");
}

TEST_F(ListOperationsTest, DeleteRemovesExactlyTheSelectedRows) {
  struct Case {
    const char* what;
    std::vector<int> selected;
    std::vector<std::string> idsLeft;
  } cases[] = {
      {"the lower of two rows with one name", {2}, {"1", "2"}},
      {"the upper of two rows with one name", {0}, {"2", "3"}},
      {"two apart", {0, 2}, {"2"}},
      {"all", {0, 1, 2}, {}},
      {"nothing selected", {}, {"1", "2", "3"}},
  };
  for (const Case& c : cases) {
    state->itemList.replaceAll(three);
    shelltest::pumpUntil([&] { return text(kCountLabel) == "3"; });
    select(c.selected);
    press(kDeleteButton);
    std::vector<std::string> ids;
    for (const ItemRow& r : rows()) ids.push_back(r.id);
    EXPECT_EQ(ids, c.idsLeft) << c.what;
    EXPECT_EQ(text(kCountLabel), text::decimal(int(c.idsLeft.size()))) << c.what;
    EXPECT_EQ(shownCount(), int(c.idsLeft.size())) << c.what;
    EXPECT_TRUE(itemlist::selectedRows(*window).empty()) << c.what;
  }
  state->itemList.replaceAll(three);
  select({1});
  menu(kMenuDeleteSelected);
  EXPECT_EQ(rows(), (std::vector<ItemRow>{three[0], three[2]}));
}

TEST_F(ListOperationsTest, ImportReplacesTheListWithTheFilesUsableLines) {
  add(three);
  std::string path = file("import.txt");
  std::string content =
      "  甲||11||1.50||http://h/a\r\n"
      "\r\n"
      "乙||22||||http://h/b\n"
      "bad line\r\n"
      "丙||33||3||\r\n"
      "丁||44||4||http://h/d\x1A"
      "戊||55||5||http://h/e";
  content.push_back('\0');
  shelltest::writeFile(path, content);
  ui.dialogAnswers.push_back(path);
  press(kImportButton);
  EXPECT_EQ(rows(), (std::vector<ItemRow>{{"  甲", "1.50", "http://h/a", "11"},
                                          {"乙", "", "http://h/b", "22"},
                                          {"丁", "4", "http://h/d", "44"},
                                          {"戊", "5", "http://h/e", "55"}}));
  EXPECT_EQ(text(kCountLabel), "4");
  EXPECT_EQ(shownCount(), 4);
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(ui.boxes[0].text, "已经成功导入宝贝列表！");
  EXPECT_EQ(ui.boxes[0].title, "温馨提示：");
  ASSERT_EQ(ui.dialogs.size(), 1u);
  EXPECT_FALSE(ui.dialogs[0].save);
  EXPECT_TRUE(ui.dialogs[0].mustExist);
  EXPECT_EQ(ui.dialogs[0].filter, "宝贝列表文件(*.txt)|*.txt");
  EXPECT_EQ(ui.dialogs[0].defaultExtension, ".txt");
}

TEST_F(ListOperationsTest, ImportOfAFileWithoutUsableLinesEmptiesTheList) {
  add(three);
  std::string path = file("empty.txt");
  shelltest::writeFile(path, "no separators here\r\n\r\n");
  ui.dialogAnswers.push_back(path);
  press(kImportButton);
  EXPECT_EQ(state->itemList.rowCount(), 0);
  EXPECT_EQ(text(kCountLabel), "0");
  EXPECT_EQ(ui.boxTexts(), std::vector<std::string>{"已经成功导入宝贝列表！"});
}

TEST_F(ListOperationsTest, ImportThatCannotOpenItsFileKeepsTheListAndSaysSo) {
  add(three);
  ui.dialogAnswers.push_back(file("missing.txt"));
  press(kImportButton);
  EXPECT_EQ(rows(), three);
  EXPECT_EQ(text(kCountLabel), "3");
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_NE(ui.boxes[0].text.find("missing.txt"), std::string::npos);
  EXPECT_NE(ui.boxes[0].text, "已经成功导入宝贝列表！");

  ui.boxes.clear();
  press(kImportButton);  // cancelled
  EXPECT_EQ(rows(), three);
  EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(ListOperationsTest, ExportWritesEveryRowAsItIs) {
  std::vector<ItemRow> list = {{"  前导空格", "10", "http://h/1", "1"}, {"T恤", "", "http://h/2", "2"}};
  add(list);
  std::string path = file("export.txt");
  ui.dialogAnswers.push_back(path);
  press(kExportButton);
  EXPECT_EQ(shelltest::readFile(path), "  前导空格||1||10||http://h/1\r\nT恤||2||||http://h/2\r\n");
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(ui.boxes[0].text, "宝贝列表已经成功导出！");
  EXPECT_EQ(ui.boxes[0].title, "");
  ASSERT_EQ(ui.dialogs.size(), 1u);
  EXPECT_TRUE(ui.dialogs[0].save);
  EXPECT_FALSE(ui.dialogs[0].mustExist);
  EXPECT_EQ(ui.dialogs[0].filter, "宝贝列表文件(*.txt)|*.txt");
  EXPECT_EQ(ui.dialogs[0].defaultExtension, ".txt");

  // and back: the same cells in every row
  press(kClearButton);
  ui.dialogAnswers.push_back(path);
  press(kImportButton);
  EXPECT_EQ(rows(), list);
}

TEST_F(ListOperationsTest, ExportMenuEntryDoesWhatTheButtonDoes) {
  add(three);
  std::string path = file("from_menu.txt");
  ui.dialogAnswers.push_back(path);
  menu(kMenuExportList);
  EXPECT_EQ(shelltest::readFile(path), listfile::format(three));
  EXPECT_EQ(ui.boxTexts(), std::vector<std::string>{"宝贝列表已经成功导出！"});
}

TEST_F(ListOperationsTest, ExportOfAnEmptyListOpensNoDialog) {
  press(kExportButton);
  menu(kMenuExportList);
  EXPECT_TRUE(ui.dialogs.empty());
  EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(ListOperationsTest, ExportThatCannotWriteSaysSoInsteadOfSuccess) {
  add(three);
  ui.dialogAnswers.push_back(runDir.path() + "\\no such folder\\list.txt");
  press(kExportButton);
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_NE(ui.boxes[0].text, "宝贝列表已经成功导出！");
  EXPECT_NE(ui.boxes[0].text.find("list.txt"), std::string::npos);

  ui.boxes.clear();
  press(kExportButton);  // cancelled
  EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(ListOperationsTest, MenuHoldsItsEightEntriesInOrder) {
  HMENU m = itemlist::listMenu(*window);
  ASSERT_NE(m, nullptr);
  ASSERT_EQ(GetMenuItemCount(m), 8);
  const wchar_t* captions[8] = {L"导出宝贝列表", L"用IE打开宝贝链接", L"用EXCEL打开宝贝列表", nullptr,
                                L"复制宝贝地址", L"复制宝贝名称",     L"删除选中宝贝",        nullptr};
  for (int i = 0; i < 8; ++i) {
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE;
    GetMenuItemInfoW(m, UINT(i), TRUE, &info);
    if (!captions[i]) {
      EXPECT_TRUE(info.fType & MFT_SEPARATOR) << i;
      continue;
    }
    wchar_t buffer[64] = {};
    GetMenuStringW(m, UINT(i), buffer, 64, MF_BYPOSITION);
    EXPECT_EQ(std::wstring(buffer), captions[i]) << i;
  }
}

TEST_F(ListOperationsTest, RightClickPopsUpTheMenu) {
  bool shown = false;
  shelltest::WhenReady close([] { return FindWindowW(L"#32768", nullptr) != nullptr; },
                             [&] {
                               shown = true;
                               EndMenu();
                             });
  NMHDR nm{view(), UINT_PTR(kItemListView), UINT(NM_RCLICK)};
  SendMessageW(window->hwnd(), WM_NOTIFY, kItemListView, reinterpret_cast<LPARAM>(&nm));
  EXPECT_TRUE(shown);
}

TEST_F(ListOperationsTest, CopyAndOpenUseTheCurrentSelection) {
  add(three);
  select({1});
  menu(kMenuCopyAddress);
  menu(kMenuCopyName);
  menu(kMenuOpenAddress);
  EXPECT_EQ(ui.clipboard, (std::vector<std::string>{"http://127.0.0.1:8612/item.htm?id=2", "T恤"}));
  EXPECT_EQ(ui.opened, std::vector<std::string>{"http://127.0.0.1:8612/item.htm?id=2"});

  select({});
  menu(kMenuCopyAddress);
  menu(kMenuCopyName);
  menu(kMenuOpenAddress);
  EXPECT_EQ(ui.clipboard, (std::vector<std::string>{"http://127.0.0.1:8612/item.htm?id=2", "T恤", "", ""}));
  EXPECT_EQ(ui.opened.size(), 1u) << "an empty address opens nothing";
}

TEST_F(ListOperationsTest, SpreadsheetExportWritesTheWorkbookAndOpensIt) {
  add(three);
  menu(kMenuOpenSpreadsheet);
  std::string path = runDir.path() + "/temp.xls";
  EXPECT_EQ(itemlist::spreadsheetPath(*window), path);
  std::string bytes = shelltest::readFile(path);
  ASSERT_GT(bytes.size(), 4096u);
  EXPECT_EQ(bytes.substr(0, 8), std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8));
  EXPECT_EQ(bytes, itemListWorkbook(three));
  EXPECT_EQ(ui.opened, std::vector<std::string>{path});

  // a second export replaces the file
  press(kClearButton);
  menu(kMenuOpenSpreadsheet);
  EXPECT_EQ(shelltest::readFile(path), itemListWorkbook({}));
}

}  // namespace
