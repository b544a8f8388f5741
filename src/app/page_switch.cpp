#include "app/page_switch.h"

#include "app/app_state.h"
#include "app/banner.h"
#include "app/main_window.h"

namespace {

struct CollectMode {
  int banner;
  const char* hint;
  const char* caption;
  const char* mode;
  const char* placeholder;
};

const CollectMode kModes[3] = {
    {kBannerSingleItem, "【单个模式】 就是指定采集一个点宝贝 输入该宝贝地址即可进行采集 可以添加多个", "宝贝地址：",
     "单品", "请输入宝贝地址"},
    {kBannerCategoryList, "【列表模式】 就是仅仅采集某个店铺的一个分类 输入分类的网页地址即可进行采集",
     "列表地址：", "列表", "请输入列表地址"},
    {kBannerWholeShop, "【店铺模式】 就是采集整个店铺的所有宝贝 只需输入店铺的首页地址即可进行采集", "店铺地址：",
     "店铺", "请输入店铺地址"},
};

void showPlainPage(MainWindow& window, int banner, const char* hint, int page) {
  setBanner(window, banner);
  window.setControlText(kBannerHint, hint);
  window.showPage(page);
}

}  // namespace

void switchPage(MainWindow& window, int button) {
  switch (button) {
    case 1:
      showPlainPage(window, kBannerStart, "", 0);
      return;
    case 2:
    case 3:
    case 4: {
      const CollectMode& m = kModes[button - 2];
      AppState& state = window.state();
      setBanner(window, m.banner);
      window.setControlText(kBannerHint, m.hint);
      window.setControlText(kAddressCaption, m.caption);
      window.showPage(1);
      // A second press of the same mode keeps what was typed.
      if (state.collectMode != m.mode) window.setControlText(kAddressBox, m.placeholder);
      {
        // Crawler threads read the mode under this lock.
        std::lock_guard<std::mutex> lock(state.crawlMutex);
        state.collectMode = m.mode;
      }
      return;
    }
    case 5:
      showPlainPage(window, kBannerConfiguration, "可以对采集的一些信息进行设置", 2);
      return;
    case 6:
      showPlainPage(window, kBannerHelp, "", 3);
      return;
    case 7:
      window.showExitConfirmation();
      return;
    default:
      return;
  }
}

std::string placeholderFor(const std::string& collectMode) {
  for (const CollectMode& m : kModes)
    if (collectMode == m.mode) return m.placeholder;
  return {};
}

bool isPlaceholder(const std::string& text) {
  for (const CollectMode& m : kModes)
    if (text == m.placeholder) return true;
  return false;
}
