// The one global state record of the process. Made by the process entry and
// handed by reference to whoever needs it.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "api/credentials.h"
#include "discovery/item_list.h"
#include "util/file_io.h"
#include "util/operation_log.h"
#include "util/ui_services.h"

class NavigationBar;
class NavigationButton;
class MappedModule;
class TrayIcon;

// Owns an object whose type is only declared here; its module supplies the deleter.
template <typename T>
using Owned = std::unique_ptr<T, void (*)(T*)>;
template <typename T>
Owned<T> noOwned() { return Owned<T>(nullptr, [](T*) {}); }

// Endpoints, copied from the compile-time defaults at start; tests set this copy.
struct Endpoints {
  std::string serviceBase;  // ends with "/"
  std::string apiHost;
  std::string itemPageHost;
  std::string mallItemPageHost;
  std::string newsUrl;
  std::string helpUrl;
  static Endpoints defaults();
};

// The generation options as the configuration page shows them at this moment.
// The page updates it on every change, so a worker reads the value of the
// moment it uses it without touching a control.
struct LiveOptions {
  bool downloadDescriptionPictures = false;  // 选择框6
  bool marketplaceSpaceOnly = false;         // 选择框7
  bool adjustPrice = false;                  // 选择框1
  std::string pricePercent;                  // 编辑框4
  std::string priceDecimals;                 // 编辑框6
  bool uniformStock = false;                 // 选择框2
  std::string stockValue;                    // 编辑框5
  bool layout4Radio = false;                 // 单选框1 ticked ("生成淘宝助理4.X数据")
};

class LiveOptionsBox {
 public:
  LiveOptions get() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return value_;
  }
  template <typename F>
  void update(F&& change) {
    std::lock_guard<std::mutex> lock(mutex_);
    change(value_);
  }

 private:
  mutable std::mutex mutex_;
  LiveOptions value_;
};

struct AppState {
  AppState();
  ~AppState();
  AppState(const AppState&) = delete;
  AppState& operator=(const AppState&) = delete;

  // --- fields in the order of the state table ---
  std::atomic<int32_t> imageFailureMode{0};
  std::atomic<int32_t> packageLayoutVersion{0};
  std::vector<std::thread> workerThreads;  // the run's workers, in start order
  std::string outputDirectory;             // ends with "\\"
  std::string outputFileStem;
  std::string serviceBaseAddress;          // ends with "/"
  CredentialList credentials;
  Owned<MappedModule> skinModule = noOwned<MappedModule>();
  // time-stamp state lives in util/time_stamps (its own lock)
  Owned<NavigationBar> navigationBar = noOwned<NavigationBar>();
  Owned<NavigationButton> navImageSlot = noOwned<NavigationButton>();
  std::string collectMode;  // "单品", "列表", "店铺" or empty
  Owned<TrayIcon> trayIcon = noOwned<TrayIcon>();
  UINT taskbarCreatedMessage = 0;
  int32_t skinHue = 0;
  int32_t skinSaturation = 0;
  int32_t skinBrightness = 0;
  std::atomic<int32_t> runTotal{0};
  std::atomic<int32_t> finishedWorkers{0};
  std::atomic<int32_t> nextItem{0};
  std::mutex packageMutex;  // guards packageRows together with succeededItems
  std::string packageRows;
  std::atomic<int32_t> succeededItems{0};
  std::atomic<int32_t> failedItems{0};
  ULONG_PTR graphicsToken = 0;
  std::mutex crawlMutex;  // guards the crawl texts while crawler threads read them
  std::string crawlCategoryId;
  std::atomic<int32_t> crawlCategoryKind{0};
  std::string crawlShopHost;
  std::atomic<int32_t> crawlPageCount{0};
  std::atomic<int32_t> crawlNextPage{0};

  // --- what the program adds around the table ---
  Endpoints endpoints = Endpoints::defaults();
  ItemList itemList;       // the model behind 超级列表框1
  OperationLog log;        // the model behind 编辑框2
  LiveOptionsBox options;  // the configuration page's values of the moment
  HWND mainWindow = nullptr;
  // Empty: the folder of the executable. Tests point it at a folder of their own
  // (settings file, default package path).
  std::string runDirectoryOverride;
  std::string runDirectory() const {
    return runDirectoryOverride.empty() ? fileio::runDirectory() : runDirectoryOverride;
  }
  std::unique_ptr<UiServices> ownUi = std::make_unique<WinUiServices>();
  UiServices* ui = ownUi.get();  // a window test points this at its fake
  int exitCode = 0;
};
