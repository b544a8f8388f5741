// The main window's pages: layout, page switch, address placeholder, "更改",
// the start and help pages' links, and the navigation bar on the real window.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <vector>

#include "app/app_state.h"
#include "app/banner.h"
#include "app/exit_confirmation.h"
#include "app/main_window.h"
#include "app/page_switch.h"
#include "app/shell_fixture.h"
#include "ui/navigation_bar.h"
#include "ui/web_view.h"

namespace {

using shelltest::ShellTest;

class PagesTest : public ShellTest {
 protected:
  void SetUp() override {
    ShellTest::SetUp();
    makeWindow(false);
    ShowWindow(window->hwnd(), SW_SHOW);
    buildNavigationBar(*window);
    UpdateWindow(window->hwnd());
  }

  // Rectangle of a control relative to its parent's client area.
  RECT placeOf(HWND h) {
    RECT r;
    GetWindowRect(h, &r);
    MapWindowPoints(nullptr, GetParent(h), reinterpret_cast<POINT*>(&r), 2);
    return r;
  }
  void clickNavigation(int button) {
    HWND host = control(kNavHost);
    int x = 5 + (button - 1) * 70 + 30;
    SendMessageW(host, WM_MOUSEMOVE, 0, MAKELPARAM(x, 30));
    SendMessageW(host, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, 30));
    SendMessageW(host, WM_LBUTTONUP, 0, MAKELPARAM(x, 30));
  }
  void clickButton(ControlId id) { SendMessageW(control(id), BM_CLICK, 0, 0); }
  void setText(ControlId id, const std::string& gbk) { window->setControlText(id, gbk); }
  void leaveAddressBox() { SendMessageW(control(kAddressBox), WM_KILLFOCUS, 0, 0); }
  void clickIntoAddressBox() {
    SendMessageW(control(kAddressBox), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    SendMessageW(control(kAddressBox), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  }
  // A sum over the banner's pixels as the screen shows them: tells the pictures apart.
  unsigned long long bannerPrint() {
    HWND banner = control(kBanner);
    RedrawWindow(banner, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    HDC dc = GetDC(banner);
    unsigned long long sum = 0;
    for (int y = 2; y < 36; y += 2)
      for (int x = 2; x < 150; x += 2) sum = sum * 31 + GetPixel(dc, x, y);
    ReleaseDC(banner, dc);
    return sum;
  }
};

TEST_F(PagesTest, ControlsSitWhereTheDesignPutsThem) {
  struct Place {
    ControlId id;
    int x, y, width, height;
  } places[] = {
      // page 开始
      {kIntroText, 18, 21, 288, 240},
      {kNewsView, 312, 21, 384, 240},
      {kHelpButton, 524, 340, 96, 32},
      {kStartSeparator, 15, 384, 672, 2},
      {kContactLine, 27, 401, 656, 48},
      // page 采集
      {kAddressCaptionBox, 7, 2, 116, 30},
      {kAddressBox, 122, 2, 448, 30},
      {kAddButton, 577, 2, 76, 30},
      {kPathCaptionPanel, 7, 37, 116, 30},
      {kPathBox, 122, 37, 449, 30},
      {kChangePathButton, 578, 37, 76, 30},
      {kListPanel, 7, 73, 687, 248},
      {kLogTab, 7, 326, 688, 136},
      // inside 图片框1
      {kItemListView, -1, -1, 564, 248},
      {kCountCaption, 580, -2, 44, 24},
      {kCountLabel, 633, -2, 44, 24},
      {kDeleteButton, 590, 20, 72, 24},
      {kCompletionButton, 571, 39, 16, 48},
      {kClearButton, 590, 47, 72, 24},
      {kImportButton, 590, 74, 72, 24},
      {kExportButton, 590, 102, 72, 24},
      {kListSeparator, 562, 129, 128, 2},
      {kStartButton, 579, 139, 91, 30},
      {kPauseButton, 579, 175, 91, 30},
      {kStopButton, 579, 211, 91, 30},
      // page 帮助
      {kHelpToolbar, 3, 1, 703, 28},
      {kHelpView, 1, 28, 700, 361},
  };
  for (const Place& p : places) {
    HWND h = control(p.id);
    ASSERT_NE(h, nullptr) << p.id;
    RECT r = placeOf(h);
    EXPECT_EQ(r.left, p.x) << p.id;
    EXPECT_EQ(r.top, p.y) << p.id;
    // An etched line may gain an edge around the line it was asked for.
    RECT inner;
    GetClientRect(h, &inner);
    bool etched = (GetWindowLongPtrW(h, GWL_STYLE) & SS_TYPEMASK) == SS_ETCHEDHORZ;
    EXPECT_EQ(etched && inner.right == p.width ? p.width : r.right - r.left, p.width) << p.id;
    EXPECT_EQ(etched && inner.bottom == p.height ? p.height : r.bottom - r.top, p.height) << p.id;
  }
  EXPECT_EQ(GetParent(control(kItemListView)), control(kListPanel));
  EXPECT_EQ(GetParent(control(kLogBox)), control(kLogTab));
  EXPECT_EQ(GetParent(control(kAddressCaption)), control(kAddressCaptionBox));
  EXPECT_EQ(GetParent(control(kPathCaption)), control(kPathCaptionPanel));
}

TEST_F(PagesTest, ControlsStartWithTheirDesignTextsAndStates) {
  EXPECT_EQ(text(kAddressCaption), "商品地址：");
  EXPECT_EQ(text(kAddressBox), "请输入宝贝地址");
  EXPECT_EQ(text(kPathCaption), "保存路径：");
  EXPECT_EQ(text(kAddButton), "添加到列表");
  EXPECT_EQ(text(kChangePathButton), "更改");
  EXPECT_EQ(text(kCountCaption), "宝贝数：");
  EXPECT_EQ(text(kCountLabel), "0");
  EXPECT_EQ(text(kDeleteButton), "删除");
  EXPECT_EQ(text(kClearButton), "清空");
  EXPECT_EQ(text(kImportButton), "导入列表");
  EXPECT_EQ(text(kExportButton), "导出列表");
  EXPECT_EQ(text(kStartButton), "生成数据包");
  EXPECT_EQ(text(kPauseButton), "暂停");
  EXPECT_EQ(text(kStopButton), "停止");
  EXPECT_EQ(text(kHelpButton), "使用说明");
  EXPECT_FALSE(IsWindowEnabled(control(kPauseButton)));
  EXPECT_FALSE(IsWindowEnabled(control(kStopButton)));
  EXPECT_TRUE(IsWindowEnabled(control(kStartButton)));
  EXPECT_FALSE(GetWindowLongPtrW(control(kCompletionButton), GWL_STYLE) & WS_VISIBLE);

  LONG_PTR log = GetWindowLongPtrW(control(kLogBox), GWL_STYLE);
  EXPECT_TRUE(log & ES_MULTILINE);
  EXPECT_TRUE(log & ES_READONLY);
  EXPECT_TRUE(log & WS_VSCROLL);
  EXPECT_TRUE(log & WS_HSCROLL);
  EXPECT_GT(SendMessageW(control(kLogBox), EM_GETLIMITTEXT, 0, 0), 1 << 20);

  wchar_t caption[32] = {};
  TCITEMW tab{};
  tab.mask = TCIF_TEXT;
  tab.pszText = caption;
  tab.cchTextMax = 32;
  SendMessageW(control(kLogTab), TCM_GETITEMW, 0, reinterpret_cast<LPARAM>(&tab));
  EXPECT_EQ(std::wstring(caption), L"操作记录");
  EXPECT_TRUE(state->collectMode.empty());
}

TEST_F(PagesTest, PageSwitchSetsPageHintCaptionAndMode) {
  struct Row {
    int button;
    int page;
    std::string hint;
    std::string caption;  // empty: unchanged
    std::string mode;
    std::string address;
  } rows[] = {
      {2, 1, "【单个模式】 就是指定采集一个点宝贝 输入该宝贝地址即可进行采集 可以添加多个", "宝贝地址：", "单品",
       "请输入宝贝地址"},
      {3, 1, "【列表模式】 就是仅仅采集某个店铺的一个分类 输入分类的网页地址即可进行采集", "列表地址：", "列表",
       "请输入列表地址"},
      {4, 1, "【店铺模式】 就是采集整个店铺的所有宝贝 只需输入店铺的首页地址即可进行采集", "店铺地址：", "店铺",
       "请输入店铺地址"},
      {5, 2, "可以对采集的一些信息进行设置", "", "店铺", "请输入店铺地址"},
      {6, 3, "", "", "店铺", "请输入店铺地址"},
      {1, 0, "", "", "店铺", "请输入店铺地址"},
  };
  for (const Row& r : rows) {
    switchPage(*window, r.button);
    EXPECT_EQ(window->currentPage(), r.page) << r.button;
    EXPECT_TRUE(IsWindowVisible(window->page(r.page))) << r.button;
    EXPECT_EQ(text(kBannerHint), r.hint) << r.button;
    if (!r.caption.empty()) {
      EXPECT_EQ(text(kAddressCaption), r.caption) << r.button;
    }
    EXPECT_EQ(state->collectMode, r.mode) << r.button;
    EXPECT_EQ(text(kAddressBox), r.address) << r.button;
  }
  EXPECT_EQ(text(kAddressCaption), "店铺地址：");  // other pages leave the caption alone
}

TEST_F(PagesTest, EachPageShowsItsOwnBanner) {
  // What each button shows must be what setBanner shows for its page kind.
  const int kinds[6] = {kBannerStart, kBannerSingleItem, kBannerCategoryList, kBannerWholeShop, kBannerConfiguration,
                        kBannerHelp};
  std::map<unsigned long long, int> prints;
  for (int k = 0; k < 6; ++k) {
    setBanner(*window, kinds[k]);
    prints[bannerPrint()] = k;
  }
  ASSERT_EQ(prints.size(), 6u) << "the six banners differ";
  for (int button : {2, 3, 4, 5, 6, 1}) {
    switchPage(*window, button);
    auto it = prints.find(bannerPrint());
    ASSERT_NE(it, prints.end()) << button;
    EXPECT_EQ(it->second, button - 1) << button;
  }
}

TEST_F(PagesTest, TypedAddressStaysWhileTheModeStaysTheSame) {
  switchPage(*window, 2);
  setText(kAddressBox, "http://127.0.0.1:8612/item.htm?id=7");
  switchPage(*window, 2);
  EXPECT_EQ(text(kAddressBox), "http://127.0.0.1:8612/item.htm?id=7");
  switchPage(*window, 5);
  switchPage(*window, 2);
  EXPECT_EQ(text(kAddressBox), "http://127.0.0.1:8612/item.htm?id=7");
  switchPage(*window, 3);
  switchPage(*window, 2);
  EXPECT_EQ(text(kAddressBox), "请输入宝贝地址");
}

TEST_F(PagesTest, PlaceholderComesBackWhenTheBoxIsLeftEmpty) {
  setText(kAddressBox, "");
  leaveAddressBox();
  EXPECT_EQ(text(kAddressBox), "") << "no mode chosen yet";

  struct Case {
    int button;
    std::string placeholder;
  } cases[] = {{2, "请输入宝贝地址"}, {3, "请输入列表地址"}, {4, "请输入店铺地址"}};
  for (const Case& c : cases) {
    switchPage(*window, c.button);
    setText(kAddressBox, "");
    leaveAddressBox();
    EXPECT_EQ(text(kAddressBox), c.placeholder) << c.button;
    setText(kAddressBox, "typed");
    leaveAddressBox();
    EXPECT_EQ(text(kAddressBox), "typed") << c.button;
  }
}

TEST_F(PagesTest, ClickingIntoAPlaceholderEmptiesTheBox) {
  switchPage(*window, 2);
  for (const char* placeholder : {"请输入宝贝地址", "请输入列表地址", "请输入店铺地址"}) {
    setText(kAddressBox, placeholder);
    clickIntoAddressBox();
    EXPECT_EQ(text(kAddressBox), "") << placeholder;
  }
  for (const char* kept : {"http://x/", "请输入宝贝地址 ", "请输入"}) {
    setText(kAddressBox, kept);
    clickIntoAddressBox();
    EXPECT_EQ(text(kAddressBox), kept);
  }
}

TEST_F(PagesTest, ChangingThePathSplitsItOrRefusesAStemlessName) {
  struct Case {
    std::string chosen;
    std::string box;
    std::string directory;
    std::string stem;
    bool complaint;
  } cases[] = {
      {"D:\\out\\pack", "D:\\out\\pack.csv", "D:\\out\\", "pack", false},
      {"D:\\out\\shop.a.csv", "D:\\out\\shop.a.csv", "D:\\out\\", "shop", false},
      {"D:\\ver.2\\pack", "", "D:\\ver.2\\", "", true},
  };
  for (const Case& c : cases) {
    ui.boxes.clear();
    ui.dialogAnswers.push_back(c.chosen);
    clickButton(kChangePathButton);
    EXPECT_EQ(text(kPathBox), c.box) << c.chosen;
    EXPECT_EQ(state->outputDirectory, c.directory) << c.chosen;
    EXPECT_EQ(state->outputFileStem, c.stem) << c.chosen;
    if (c.complaint) {
      ASSERT_EQ(ui.boxes.size(), 1u) << c.chosen;
      EXPECT_EQ(ui.boxes[0].text, "请检查文件名是否正确！");
      EXPECT_EQ(ui.boxes[0].title, "提示");
    } else {
      EXPECT_TRUE(ui.boxes.empty()) << c.chosen;
    }
  }
  ASSERT_FALSE(ui.dialogs.empty());
  EXPECT_FALSE(ui.dialogs[0].mustExist);
  EXPECT_EQ(ui.dialogs[0].filter, "逗号分隔符文件(*.csv)|*.csv");
  EXPECT_EQ(ui.dialogs[0].defaultExtension, ".csv");
}

TEST_F(PagesTest, CancellingThePathDialogChangesNothing) {
  setText(kPathBox, "C:\\keep\\this.csv");
  state->outputDirectory = "C:\\keep\\";
  state->outputFileStem = "this";
  clickButton(kChangePathButton);  // no answer queued: cancelled
  EXPECT_EQ(ui.dialogs.size(), 1u);
  EXPECT_EQ(text(kPathBox), "C:\\keep\\this.csv");
  EXPECT_EQ(state->outputDirectory, "C:\\keep\\");
  EXPECT_EQ(state->outputFileStem, "this");
}

TEST_F(PagesTest, HelpButtonAndLinksOpenTheMakersPages) {
  clickButton(kHelpButton);
  ASSERT_EQ(ui.opened.size(), 1u);
  EXPECT_EQ(ui.opened[0], state->endpoints.helpUrl);

  SendMessageW(window->hwnd(), WM_COMMAND, MAKEWPARAM(kHelpInBrowser, 0), 0);
  ASSERT_EQ(ui.opened.size(), 2u);
  EXPECT_EQ(ui.opened[1], state->endpoints.helpUrl);

  // Without an HTML engine the web views show their addresses as links.
  for (ControlId id : {kNewsView, kHelpView}) {
    HWND view = control(id);
    if (ui::webViewShowsBrowser(view)) continue;
    RECT link = ui::webViewLinkRect(view);
    ASSERT_FALSE(IsRectEmpty(&link)) << id;
    size_t before = ui.opened.size();
    SendMessageW(view, WM_LBUTTONUP, 0, MAKELPARAM(link.left + 2, link.top + 2));
    ASSERT_EQ(ui.opened.size(), before + 1) << id;
    EXPECT_EQ(ui.opened.back(), id == kNewsView ? state->endpoints.newsUrl : state->endpoints.helpUrl);
    SendMessageW(view, WM_LBUTTONUP, 0, MAKELPARAM(link.right + 20, link.bottom + 20));  // beside the link
    EXPECT_EQ(ui.opened.size(), before + 1) << id;
  }
  EXPECT_EQ(ui::webViewAddress(control(kNewsView)), state->endpoints.newsUrl);
  EXPECT_EQ(ui::webViewAddress(control(kHelpView)), state->endpoints.helpUrl);
}

TEST_F(PagesTest, NavigationBarSwitchesThePagesOfTheWindow) {
  ASSERT_TRUE(state->navigationBar);
  EXPECT_EQ(state->navigationBar->host(), control(kNavHost));
  EXPECT_EQ(state->navigationBar->buttonCount(), 7);
  EXPECT_EQ(state->navigationBar->separatorX(0), 352);

  clickNavigation(1);  // selected from the start: nothing happens
  EXPECT_EQ(window->currentPage(), 0);
  EXPECT_TRUE(state->collectMode.empty());
  clickNavigation(4);
  EXPECT_EQ(window->currentPage(), 1);
  EXPECT_EQ(state->collectMode, "店铺");
  clickNavigation(6);
  EXPECT_EQ(window->currentPage(), 3);
  clickNavigation(1);
  EXPECT_EQ(window->currentPage(), 0);
  EXPECT_TRUE(state->navigationBar->isSelected(1));
}

TEST_F(PagesTest, ExitButtonOpensTheConfirmationOnceUntilAnotherButtonIsClicked) {
  int opened = 0;
  auto cancelWhenOpen = [&] {
    return std::make_unique<shelltest::WhenReady>(
        [] { return FindWindowW(kExitConfirmationClass, nullptr) != nullptr; },
        [&] {
          ++opened;
          PostMessageW(FindWindowW(kExitConfirmationClass, nullptr), WM_CLOSE, 0, 0);
        });
  };
  {
    auto watch = cancelWhenOpen();
    clickNavigation(7);
    EXPECT_TRUE(watch->fired());
  }
  EXPECT_EQ(opened, 1);
  EXPECT_FALSE(window->endRequested());
  EXPECT_TRUE(state->navigationBar->isSelected(7));
  {
    auto watch = cancelWhenOpen();
    clickNavigation(7);  // still selected: nothing is called
    shelltest::pumpUntil([] { return false; }, 300);
    EXPECT_FALSE(watch->fired());
  }
  EXPECT_EQ(opened, 1);
  clickNavigation(2);
  {
    auto watch = cancelWhenOpen();
    clickNavigation(7);
    EXPECT_TRUE(watch->fired());
  }
  EXPECT_EQ(opened, 2);
}

TEST_F(PagesTest, ActivationRepaintsTheNavigationBar) {
  ASSERT_TRUE(window->repaintNavigation);
  UpdateWindow(control(kNavHost));
  RECT dirty;
  ASSERT_FALSE(GetUpdateRect(control(kNavHost), &dirty, FALSE));
  SendMessageW(window->hwnd(), WM_ACTIVATE, WA_INACTIVE, 0);
  EXPECT_TRUE(GetUpdateRect(control(kNavHost), &dirty, FALSE));
}

}  // namespace
