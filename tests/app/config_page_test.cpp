#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "app/config_page.h"
#include "app/settings_file.h"
#include "shell_fixture.h"
#include "util/file_io.h"
#include "util/text.h"

namespace {

class ConfigPageTest : public shelltest::ShellTest {
 protected:
  void SetUp() override {
    ShellTest::SetUp();
    makeWindow(false);
  }
  std::string settingsPath() { return runDir.path() + "\\options\\options.ini"; }
  void writeSettings(const std::string& bytes) {
    fileio::createFolder(runDir.path() + "\\options");
    shelltest::writeFile(settingsPath(), bytes);
  }
  bool ticked(ControlId id) { return SendMessageW(control(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }
  void tick(ControlId id, bool on) { SendMessageW(control(id), BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0); }
  int comboIndex() { return int(SendMessageW(control(kFailureMode), CB_GETCURSEL, 0, 0)); }
  void setText(ControlId id, const std::string& gbk) { window->setControlText(id, gbk); }
  void pressSave() { SendMessageW(control(kSaveSettings), BM_CLICK, 0, 0); }
};

TEST_F(ConfigPageTest, ControlsSitAtTheirDesignPlaces) {
  RECT tab;
  GetWindowRect(control(kConfigTab), &tab);
  RECT page;
  GetWindowRect(window->page(2), &page);
  EXPECT_EQ(tab.left - page.left, 7);
  EXPECT_EQ(tab.top - page.top, 5);
  EXPECT_EQ(tab.right - tab.left, 687);
  EXPECT_EQ(tab.bottom - tab.top, 457);

  struct Place {
    ControlId id;
    int x, y, w, h;
    const char* caption;
  } places[] = {
      {kDownloadPictures, 145, 56, 104, 24, "下载描述图片"},
      {kSpaceOnly, 257, 56, 128, 24, "只下载淘宝空间图片"},
      {kAdjustPrice, 208, 126, 72, 24, "价格调整"},
      {kPricePercent, 280, 126, 32, 24, "100"},
      {kPriceDecimals, 400, 126, 48, 24, "0"},
      {kUniformStock, 208, 154, 80, 24, "库存统一为"},
      {kStockValue, 296, 154, 48, 24, "100"},
      {kFind1, 201, 208, 158, 25, ""},
      {kFind2, 201, 242, 158, 25, ""},
      {kFind3, 201, 276, 158, 25, ""},
      {kReplace1, 391, 207, 168, 25, ""},
      {kReplace2, 391, 241, 168, 25, ""},
      {kReplace3, 391, 275, 168, 25, ""},
      {kLayout4, 145, 370, 136, 16, "生成淘宝助理4.X数据"},
      {kLayout5, 280, 370, 136, 16, "生成淘宝助理5.X数据"},
      {kSaveSettings, 550, 408, 80, 32, "保存配置"},
  };
  for (const Place& p : places) {
    SCOPED_TRACE(p.caption);
    RECT rc;
    ASSERT_TRUE(GetWindowRect(control(p.id), &rc));
    EXPECT_EQ(rc.left - tab.left, p.x);
    EXPECT_EQ(rc.top - tab.top, p.y);
    EXPECT_EQ(rc.right - rc.left, p.w);
    EXPECT_EQ(rc.bottom - rc.top, p.h);
    EXPECT_EQ(text(p.id), p.caption);
  }
  RECT combo;
  GetWindowRect(control(kFailureMode), &combo);
  EXPECT_EQ(combo.left - tab.left, 292);
  EXPECT_EQ(combo.top - tab.top, 96);
  EXPECT_EQ(combo.right - combo.left, 184);

  const char* entries[] = {"保持不变", "删除图片", "重新下载 仍失败删除"};
  ASSERT_EQ(SendMessageW(control(kFailureMode), CB_GETCOUNT, 0, 0), 3);
  for (int i = 0; i < 3; ++i) {
    wchar_t buf[64] = {};
    SendMessageW(control(kFailureMode), CB_GETLBTEXT, WPARAM(i), reinterpret_cast<LPARAM>(buf));
    EXPECT_EQ(text::fromWide(buf), entries[i]);
  }

  // Labels, hints and the note, found by their text on the tab's body.
  HWND body = GetWindow(control(kConfigTab), GW_CHILD);
  for (const char* label :
       {"宝贝图片选项", "（只有“下载描述图片”选择时才有效）", "描述图片下载失败处理方式：", "（建议选择带删除的选项）",
        "宝贝信息选项", "宝贝价格：", "％ 保留小数位", "宝贝库存：", "替换设置", "替换一：", "替换二：", "替换三：",
        "生成选项",
        "说明： 替换只是简单的替换，比如QQ、手机号等\r\n       替换的对象是 宝贝标题跟宝贝描述信息里面的内容"})
    EXPECT_NE(FindWindowExW(body, nullptr, L"Static", text::toWide(label).c_str()), nullptr) << label;
}

TEST_F(ConfigPageTest, LoadWithoutFileShowsTheLoadDefaults) {
  loadSettings(*window);
  EXPECT_EQ(comboIndex(), 2);
  EXPECT_EQ(text(kFailureMode), "重新下载 仍失败删除");
  EXPECT_EQ(state->imageFailureMode, 3);
  EXPECT_TRUE(ticked(kLayout5));
  EXPECT_FALSE(ticked(kLayout4));
  EXPECT_EQ(state->packageLayoutVersion, 5);
  for (ControlId id : {kDownloadPictures, kSpaceOnly, kAdjustPrice, kUniformStock}) EXPECT_FALSE(ticked(id));
  EXPECT_FALSE(IsWindowEnabled(control(kSpaceOnly)));
  // The design defaults are replaced by the missing keys' empty text.
  for (ControlId id : {kPricePercent, kPriceDecimals, kStockValue, kFind1, kReplace3}) EXPECT_EQ(text(id), "");
}

TEST_F(ConfigPageTest, SaveWritesTheWholeFileAndConfirms) {
  EXPECT_FALSE(fileio::folderExists(runDir.path() + "\\options"));
  for (ControlId id : {kDownloadPictures, kSpaceOnly, kAdjustPrice, kUniformStock}) tick(id, true);
  SendMessageW(control(kFailureMode), CB_SETCURSEL, 2, 0);
  tick(kLayout5, true);
  pressSave();

  // The missing "options" folder is made, then the file as the save writes it.
  EXPECT_EQ(shelltest::readFile(settingsPath()),
            "[DL_PIC]\r\ndownload=真\r\ntaobao_only=真\r\nfall=3\r\n"
            "[PR_INFO]\r\np_type=真\r\nn_type=真\r\nprice=100\r\nprice_num=0\r\nnum=100\r\n"
            "[REPLACE]\r\n1=\r\n2=\r\n3=\r\nto1=\r\nto3=\r\nto2=\r\n"
            "[SAVE]\r\ntype=5\r\n");
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(ui.boxes[0].text, "已经保存！");
  EXPECT_EQ(ui.boxes[0].title, "提示");
  EXPECT_EQ(state->imageFailureMode, 3);
  EXPECT_EQ(state->packageLayoutVersion, 5);
}

TEST_F(ConfigPageTest, SaveAndLoadRoundTripKeepsThePairing) {
  SendMessageW(control(kFailureMode), CB_SETCURSEL, 0, 0);
  tick(kDownloadPictures, true);
  tick(kLayout4, true);
  setText(kPricePercent, "85.5");
  setText(kPriceDecimals, "2");
  setText(kStockValue, " 9 ");
  setText(kFind1, "QQ号");
  setText(kReplace1, "");
  setText(kFind2, "x");
  setText(kReplace2, "y");
  setText(kFind3, "z");
  setText(kReplace3, "w");
  pressSave();
  EXPECT_EQ(state->imageFailureMode, 1);
  EXPECT_EQ(state->packageLayoutVersion, 4);

  const std::string file = shelltest::readFile(settingsPath());
  for (const char* line : {"\r\n2=x\r\n", "\r\nto3=y\r\n", "\r\n3=z\r\n", "\r\nto2=w\r\n", "\r\n1=QQ号\r\n",
                           "\r\nfall=1\r\n", "\r\ntype=4\r\n", "\r\nprice=85.5\r\n", "\r\ndownload=真\r\n",
                           "\r\ntaobao_only=假\r\n"})
    EXPECT_NE(file.find(line), std::string::npos) << line;

  for (ControlId id : {kPricePercent, kFind1, kFind2, kFind3, kReplace1, kReplace2, kReplace3}) setText(id, "-");
  tick(kDownloadPictures, false);
  tick(kLayout4, false);
  tick(kLayout5, true);
  state->imageFailureMode = 0;
  state->packageLayoutVersion = 0;
  loadSettings(*window);

  EXPECT_EQ(text(kReplace2), "y");
  EXPECT_EQ(text(kReplace3), "w");
  EXPECT_EQ(text(kFind2), "x");
  EXPECT_EQ(text(kFind3), "z");
  EXPECT_EQ(text(kFind1), "QQ号");
  EXPECT_EQ(text(kReplace1), "");
  EXPECT_EQ(text(kPricePercent), "85.5");
  EXPECT_EQ(text(kPriceDecimals), "2");
  EXPECT_EQ(comboIndex(), 0);
  EXPECT_TRUE(ticked(kDownloadPictures));
  EXPECT_TRUE(IsWindowEnabled(control(kSpaceOnly)));
  EXPECT_TRUE(ticked(kLayout4));
  EXPECT_FALSE(ticked(kLayout5));
  EXPECT_EQ(state->imageFailureMode, 1);
  EXPECT_EQ(state->packageLayoutVersion, 4);
}

TEST_F(ConfigPageTest, LoadComparesValuesExactly) {
  struct Case {
    const char* file;
    bool download;
    int comboBefore, comboAfter, modeAfter, layout;
  } cases[] = {
      {"[DL_PIC]\r\ndownload=真\r\nfall=2\r\n[SAVE]\r\ntype=4\r\n", true, -1, 1, 2, 4},
      {"[dl_pic]\r\nDOWNLOAD=真\r\nFALL=1\r\n", true, -1, 0, 1, 5},  // names in any case
      {"[DL_PIC]\r\ndownload=true\r\nfall=7\r\n[SAVE]\r\ntype=5\r\n", false, 0, 0, 0, 5},
      {"[DL_PIC]\r\ndownload=1\r\nfall=7\r\n[SAVE]\r\ntype=6\r\n", false, -1, -1, 0, 5},
      {"[DL_PIC]\r\ndownload=假\r\nfall=\r\n[SAVE]\r\ntype=\r\n", false, 0, 2, 3, 5},
      {"[DL_PIC]\r\nfall= 3\r\n[SAVE]\r\ntype=4 \r\n", false, -1, 2, 3, 4},  // read as the platform trims
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    writeSettings(c.file);
    SendMessageW(control(kFailureMode), CB_SETCURSEL, WPARAM(c.comboBefore), 0);
    state->imageFailureMode = 0;
    loadSettings(*window);
    EXPECT_EQ(ticked(kDownloadPictures), c.download);
    EXPECT_EQ(IsWindowEnabled(control(kSpaceOnly)) != FALSE, c.download);
    EXPECT_EQ(comboIndex(), c.comboAfter);
    EXPECT_EQ(state->imageFailureMode, c.modeAfter);
    EXPECT_EQ(ticked(kLayout4), c.layout == 4);
    EXPECT_EQ(ticked(kLayout5), c.layout == 5);
    EXPECT_EQ(state->packageLayoutVersion, c.layout);
  }
}

TEST_F(ConfigPageTest, OnlyTheLoadSetsWhetherSpaceOnlyIsEnabled) {
  writeSettings("[DL_PIC]\r\ndownload=真\r\n");
  loadSettings(*window);
  ASSERT_TRUE(IsWindowEnabled(control(kSpaceOnly)));
  SendMessageW(control(kDownloadPictures), BM_CLICK, 0, 0);
  EXPECT_FALSE(ticked(kDownloadPictures));
  EXPECT_TRUE(IsWindowEnabled(control(kSpaceOnly)));
}

TEST_F(ConfigPageTest, EmptyComboSavesTheFourTicksOnly) {
  SendMessageW(control(kFailureMode), CB_SETCURSEL, WPARAM(-1), 0);
  tick(kAdjustPrice, true);
  pressSave();
  EXPECT_EQ(shelltest::readFile(settingsPath()),
            "[DL_PIC]\r\ndownload=假\r\ntaobao_only=假\r\n[PR_INFO]\r\np_type=真\r\nn_type=假\r\n");
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(ui.boxes[0].text, "请设置图片下载失败处理方式");
  EXPECT_EQ(ui.boxes[0].title, "");
  EXPECT_EQ(state->packageLayoutVersion, 0);
}

TEST_F(ConfigPageTest, SaveThatCannotWriteSaysSo) {
  // A file named "options" stands where the folder would go.
  shelltest::writeFile(runDir.path() + "\\options", "not a folder");
  SendMessageW(control(kFailureMode), CB_SETCURSEL, 1, 0);
  pressSave();
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_NE(ui.boxes[0].text, "已经保存！");
  EXPECT_EQ(ui.boxes[0].text.rfind("配置没有保存！", 0), 0u) << ui.boxes[0].text;
  EXPECT_NE(ui.boxes[0].text.find(settingsPath()), std::string::npos);
  EXPECT_EQ(ui.boxes[0].title, "提示");
}

TEST_F(ConfigPageTest, LiveOptionsFollowEveryChange) {
  SendMessageW(control(kDownloadPictures), BM_CLICK, 0, 0);
  SendMessageW(control(kLayout4), BM_CLICK, 0, 0);
  SetWindowTextW(control(kStockValue), L"42");  // as typing does: the box reports the change
  LiveOptions now = state->options.get();
  EXPECT_TRUE(now.downloadDescriptionPictures);
  EXPECT_TRUE(now.layout4Radio);
  EXPECT_EQ(now.stockValue, "42");
  EXPECT_EQ(now.pricePercent, "100");

  SendMessageW(control(kLayout5), BM_CLICK, 0, 0);
  EXPECT_FALSE(state->options.get().layout4Radio);

  writeSettings("[PR_INFO]\r\np_type=真\r\nprice=120\r\n");
  loadSettings(*window);
  now = state->options.get();
  EXPECT_TRUE(now.adjustPrice);
  EXPECT_FALSE(now.downloadDescriptionPictures);
  EXPECT_EQ(now.pricePercent, "120");
  EXPECT_EQ(now.stockValue, "");
}

}  // namespace
