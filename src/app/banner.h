// Appearance steps of the start-up sequence that the navigation module owns.
#pragma once

class MainWindow;

// Banner pictures of 画板8, one per page kind.
enum BannerKind : int {
  kBannerStart = 0,
  kBannerSingleItem = 1,
  kBannerCategoryList = 2,
  kBannerWholeShop = 3,
  kBannerConfiguration = 4,
  kBannerHelp = 5,
};

// Sets the background picture of the banner 画板8 to the picture of `pageKind`.
void setBanner(MainWindow& window, int pageKind);
// Builds the navigation bar on 透明标签3 (kNavHost) with its click routine, the
// page switch.
void buildNavigationBar(MainWindow& window);
