// The navigation bar on a host label of its own, driven by mouse messages.
#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "ui/assets.h"
#include "ui/graphics.h"
#include "ui/navigation_bar.h"

namespace {

using Look = NavigationBar::Look;

const char* const kCaptions[7] = {"开始页面", "单个采集", "列表采集", "店铺采集", "下载配置", "使用帮助", "退出系统"};
constexpr COLORREF kBackground = RGB(179, 71, 24);
constexpr int kY = 30;  // any height: the hit test reads x only

class NavigationBarTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(graphics.ok());
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"NavigationBarTestParent";
    RegisterClassExW(&wc);
    // A client area 695 wide, as the main window's is.
    RECT frame{0, 0, 695, 200};
    AdjustWindowRect(&frame, WS_OVERLAPPEDWINDOW, FALSE);
    parent = CreateWindowExW(0, wc.lpszClassName, L"bar", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40,
                             frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr, wc.hInstance,
                             nullptr);
    host = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 0, 0, 736, 64, parent, nullptr, wc.hInstance,
                           nullptr);
    originalProc = GetWindowLongPtrW(host, GWLP_WNDPROC);
    ASSERT_TRUE(bar.create(host, 65, 58, RGB(255, 255, 255), kBackground, true));
    bar.setClickRoutine([this](int n) { clicks.push_back(n); });
    NavigationButton slot;
    for (int n = 1; n <= 7; ++n) {
      slot.picture = std::string(assets::navigationPng(n));
      slot.caption = kCaptions[n - 1];
      slot.selected = 0;
      bar.addButton(slot);
      if (n == 2) bar.addSeparator(5);
    }
    UpdateWindow(host);
  }
  void TearDown() override {
    if (parent) DestroyWindow(parent);
  }

  void move(int x) {
    POINT p{x, kY};
    ClientToScreen(host, &p);
    SetCursorPos(p.x, p.y);
    SendMessageW(host, WM_MOUSEMOVE, 0, MAKELPARAM(x, kY));
  }
  void press() { SendMessageW(host, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(0, kY)); }
  void release(int x) { SendMessageW(host, WM_LBUTTONUP, 0, MAKELPARAM(x, kY)); }
  void click(int button) {
    int x = int(bar.buttonRect(button).left) + 30;
    move(x);
    press();
    release(x);
  }
  COLORREF pixel(int x, int y) { return GetPixel(bar.backBuffer(), x, y); }

  gfx::GraphicsSession graphics;
  HWND parent = nullptr;
  HWND host = nullptr;
  LONG_PTR originalProc = 0;
  NavigationBar bar;
  std::vector<int> clicks;
};

TEST_F(NavigationBarTest, ButtonsSitFivePixelsApartWithTheSeparatorBetweenFiveAndSix) {
  const int lefts[7] = {5, 75, 145, 215, 285, 355, 425};
  ASSERT_EQ(bar.buttonCount(), 7);
  for (int n = 1; n <= 7; ++n) {
    EXPECT_EQ(bar.buttonRect(n).left, float(lefts[n - 1])) << n;
    EXPECT_EQ(bar.buttonRect(n).width, 65.0f);
    EXPECT_EQ(bar.buttonRect(n).height, 58.0f);
  }
  EXPECT_EQ(bar.separatorX(0), 352);
  EXPECT_EQ(bar.barWidth(), 695);
  EXPECT_EQ(bar.barHeight(), 64);
}

TEST_F(NavigationBarTest, HitTestTakesTheInsideOfAButtonOnly) {
  struct Case {
    float x;
    int button;
  } cases[] = {{0, 0},   {5, 0},   {5.5f, 1}, {69, 1},  {70, 0},  {72, 0},  {75, 0},
               {76, 2},  {352, 0}, {356, 6},  {489, 7}, {490, 0}, {600, 0}, {-3, 0}};
  for (const Case& c : cases) EXPECT_EQ(bar.hitTest(c.x), c.button) << c.x;
}

TEST_F(NavigationBarTest, StartsWithTheFirstButtonSelectedAndItsClickCallsNothing) {
  EXPECT_TRUE(bar.isSelected(1));
  EXPECT_EQ(bar.lastClicked(), 1);
  click(1);
  EXPECT_TRUE(clicks.empty());
  EXPECT_TRUE(bar.isSelected(1));
}

TEST_F(NavigationBarTest, RadioModeKeepsOneButtonSelectedAndReportsNewOnesOnly) {
  click(2);
  click(2);
  click(4);
  click(1);
  EXPECT_EQ(clicks, (std::vector<int>{2, 4, 1}));
  for (int n = 1; n <= 7; ++n) EXPECT_EQ(bar.isSelected(n), n == 1) << n;
  EXPECT_EQ(bar.lastClicked(), 1);
}

TEST_F(NavigationBarTest, ExitButtonStaysSelectedSoASecondClickCallsNothing) {
  click(7);
  click(7);
  EXPECT_EQ(clicks, std::vector<int>{7});
  click(3);
  click(7);
  EXPECT_EQ(clicks, (std::vector<int>{7, 3, 7}));
}

TEST_F(NavigationBarTest, HoverOnTheSelectedButtonShowsTheSelectedLook) {
  move(30);
  EXPECT_EQ(bar.hotButton(), 1);
  EXPECT_EQ(bar.lookOf(1), Look::selected);
  move(100);
  EXPECT_EQ(bar.hotButton(), 2);
  EXPECT_EQ(bar.drawnHotButton(), 2);
  EXPECT_EQ(bar.lookOf(2), Look::hover);
  EXPECT_EQ(bar.lookOf(1), Look::selected);
}

TEST_F(NavigationBarTest, TheGapBetweenButtonsAndLeavingTheHostClearTheHover) {
  move(100);
  ASSERT_EQ(bar.lookOf(2), Look::hover);
  move(72);  // between buttons 1 and 2
  EXPECT_EQ(bar.hotButton(), 0);
  EXPECT_EQ(bar.drawnHotButton(), 0);
  EXPECT_EQ(bar.lookOf(2), Look::normal);

  move(170);
  ASSERT_EQ(bar.lookOf(3), Look::hover);
  SendMessageW(host, WM_MOUSELEAVE, 0, 0);
  EXPECT_EQ(bar.hotButton(), 0);
  EXPECT_EQ(bar.drawnHotButton(), 0);
  EXPECT_EQ(bar.lookOf(3), Look::normal);

  move(240);
  move(650);  // beyond the last button
  EXPECT_EQ(bar.drawnHotButton(), 0);
  EXPECT_EQ(bar.lookOf(4), Look::normal);
}

TEST_F(NavigationBarTest, PressMoveAndReleaseSelectTheButtonUnderTheMouseAtRelease) {
  move(170);
  press();
  EXPECT_EQ(bar.lookOf(3), Look::pressed);
  move(240);
  EXPECT_EQ(bar.lookOf(3), Look::normal);
  EXPECT_EQ(bar.lookOf(4), Look::hover);
  release(240);
  EXPECT_EQ(clicks, std::vector<int>{4});
  EXPECT_TRUE(bar.isSelected(4));
  EXPECT_FALSE(bar.isSelected(3));
  EXPECT_EQ(bar.lookOf(4), Look::selected);
  EXPECT_EQ(bar.lookOf(1), Look::normal);  // the old selection is drawn again
}

TEST_F(NavigationBarTest, ReleaseOutsideEveryButtonChangesNothing) {
  move(72);
  press();
  release(72);
  release(690);
  EXPECT_TRUE(clicks.empty());
  EXPECT_TRUE(bar.isSelected(1));
}

TEST_F(NavigationBarTest, NumbersOutsideTheButtonsAreIgnored) {
  bar.selectButton(0);
  bar.selectButton(8);
  EXPECT_TRUE(bar.isSelected(1));
  EXPECT_FALSE(bar.isSelected(0));
  EXPECT_FALSE(bar.isSelected(8));
  bar.selectButton(6);
  EXPECT_TRUE(bar.isSelected(6));
  EXPECT_FALSE(bar.isSelected(1));
  EXPECT_TRUE(clicks.empty());  // selecting from outside is no click
}

TEST_F(NavigationBarTest, BackBufferHoldsBackgroundSeparatorAndLooks) {
  ASSERT_NE(bar.backBuffer(), nullptr);
  EXPECT_EQ(pixel(2, 30), kBackground);   // before button 1
  EXPECT_EQ(pixel(600, 30), kBackground);  // beyond the buttons
  EXPECT_EQ(pixel(352, 2), kBackground);   // the separator starts at y = 4
  COLORREF line = pixel(352, 30);
  EXPECT_LT(GetRValue(line), 179);  // black at alpha 80 over the background
  EXPECT_LT(GetGValue(line), 71);
  EXPECT_NE(line, kBackground);

  // The selected look lightens the top of button 1; button 2 shows the plain background there.
  COLORREF selectedTop = pixel(5 + 4, 3);
  COLORREF plainTop = pixel(75 + 4, 3);
  EXPECT_EQ(plainTop, kBackground);
  EXPECT_GT(GetGValue(selectedTop), 71);

  move(100);
  EXPECT_GT(GetGValue(pixel(75 + 4, 3)), 71);  // hover lightens it too
  move(72);
  EXPECT_EQ(pixel(75 + 4, 3), kBackground);
}

TEST_F(NavigationBarTest, CaptionAndPictureAreDrawnInsideEachButton) {
  // White caption pixels appear in the caption band; the picture fills the top.
  auto countLight = [&](int x0, int y0, int x1, int y1) {
    int n = 0;
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x)
        if (GetGValue(pixel(x, y)) > 180) ++n;
    return n;
  };
  for (int n = 2; n <= 7; ++n) {
    int x = int(bar.buttonRect(n).left);
    EXPECT_GT(countLight(x + 14, 3, x + 51, 39), 40) << "picture of " << n;
    EXPECT_GT(countLight(x, 42, x + 65, 58), 10) << "caption of " << n;
  }
}

TEST_F(NavigationBarTest, HostGetsItsProcedureBackWhenTheBarGoesFirst) {
  EXPECT_NE(GetWindowLongPtrW(host, GWLP_WNDPROC), originalProc);
  EXPECT_TRUE(GetWindowLongPtrW(host, GWL_EXSTYLE) & WS_EX_TRANSPARENT);
  bar.destroy();
  EXPECT_EQ(GetWindowLongPtrW(host, GWLP_WNDPROC), originalProc);
  SendMessageW(host, WM_MOUSEMOVE, 0, MAKELPARAM(100, kY));  // nothing of the bar answers
  EXPECT_EQ(bar.buttonCount(), 0);
}

TEST_F(NavigationBarTest, BarOutlivesItsHostWindow) {
  DestroyWindow(parent);
  parent = nullptr;
  EXPECT_EQ(bar.host(), nullptr);
  EXPECT_EQ(bar.backBuffer(), nullptr);
  bar.repaint();  // no window to invalidate: no effect
}

TEST_F(NavigationBarTest, RepaintRebuildsTheBackBufferAtTheNextPaint) {
  HDC before = bar.backBuffer();
  ASSERT_NE(before, nullptr);
  bar.repaint();
  UpdateWindow(host);
  EXPECT_NE(bar.backBuffer(), nullptr);
  EXPECT_EQ(pixel(2, 30), kBackground);
  EXPECT_EQ(bar.lookOf(1), Look::selected);
}

}  // namespace
