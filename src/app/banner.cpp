#include "app/banner.h"

#include "app/app_state.h"
#include "app/main_window.h"
#include "app/page_switch.h"
#include "ui/assets.h"
#include "ui/navigation_bar.h"

void setBanner(MainWindow& window, int pageKind) {
  if (HBITMAP picture = assets::loadBannerBitmap(pageKind)) window.setPanelPicture(kBanner, picture);
}

void buildNavigationBar(MainWindow& window) {
  AppState& state = window.state();
  state.navigationBar = Owned<NavigationBar>(new NavigationBar, [](NavigationBar* bar) { delete bar; });
  state.navImageSlot = Owned<NavigationButton>(new NavigationButton, [](NavigationButton* slot) { delete slot; });
  NavigationBar& bar = *state.navigationBar;
  NavigationButton& slot = *state.navImageSlot;

  bar.create(window.control(kNavHost), 65, 58, RGB(255, 255, 255), RGB(179, 71, 24), true);
  bar.setClickRoutine([&window](int button) { switchPage(window, button); });
  static const char* const captions[7] = {"开始页面", "单个采集", "列表采集", "店铺采集",
                                          "下载配置", "使用帮助", "退出系统"};
  for (int n = 1; n <= 7; ++n) {
    slot.picture = std::string(assets::navigationPng(n));
    slot.caption = captions[n - 1];
    slot.selected = 0;
    bar.addButton(slot);
    if (n == 2) bar.addSeparator(5);
  }
  window.repaintNavigation = [&state] {
    if (state.navigationBar) state.navigationBar->repaint();
  };
  bar.repaint();
}
