// The main window "Quorvane V3.06": the frame (page control with four pages,
// banner, status bar, sliders, navigation bar host) plus a registry of the
// controls the page builders create, so every module finds its controls by id
// and hooks its handlers without editing the frame.
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "app/control_ids.h"

struct AppState;
class StartupWindow;

class MainWindow {
 public:
  explicit MainWindow(AppState& state);
  ~MainWindow();
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  // Creates the window (its creation handler runs the start-up sequence unless
  // `runStartup` is false, which window tests use to build the bare window).
  bool create(bool runStartup = true);
  HWND hwnd() const { return hwnd_; }
  AppState& state() { return state_; }

  // Page windows of 高级选择夹1: 0 "开始", 1 "采集", 2 "配置", 3 "帮助".
  HWND page(int index) const;
  void showPage(int index);
  int currentPage() const;

  // Controls by id; page builders register what they create.
  HWND control(ControlId id) const;
  void registerControl(ControlId id, HWND hwnd);
  std::string controlText(ControlId id) const;                // GBK
  void setControlText(ControlId id, const std::string& gbk);  // GBK

  // Handlers: WM_COMMAND by control/menu id (notification code passed), WM_NOTIFY
  // by control id. One handler per id; a later registration replaces it.
  using CommandHandler = std::function<void(int notifyCode)>;
  using NotifyHandler = std::function<LRESULT(NMHDR*)>;
  void onCommand(int id, CommandHandler handler);
  void onNotify(int id, NotifyHandler handler);
  // Any other message of the main window (a module's own WM_APP message, for
  // example). The handler answers true when it handled the message and then
  // sets `result`. One handler per message number.
  using MessageHandler = std::function<bool(WPARAM, LPARAM, LRESULT& result)>;
  void onMessage(UINT msg, MessageHandler handler);

  // Runs `task` on the window thread (posted message). Safe from any thread;
  // tasks posted after the window is gone are dropped.
  void postTask(std::function<void()> task);

  // Lets pending window events run (the "process pending events" of handlers).
  static void pumpPending();

  // --- building blocks for the page builders ---
  // Creates a child control with the window's font; registers it when `id` is
  // not 0. `className` is a window class (L"BUTTON", WC_LISTVIEWW, ...).
  HWND createControl(HWND parent, const wchar_t* className, const std::string& textGbk, DWORD style, int x, int y,
                     int width, int height, int id = 0, DWORD exStyle = 0);
  // A plain child window that hands WM_COMMAND, WM_NOTIFY, WM_HSCROLL/WM_VSCROLL,
  // WM_DRAWITEM, WM_MEASUREITEM and WM_CONTEXTMENU of its children on to the main
  // window, so handlers registered here see them. Used for picture boxes, panels
  // and tab bodies. Labels on it draw with a transparent background.
  HWND createContainer(HWND parent, int id, int x, int y, int width, int height, DWORD exStyle = 0);
  // Background picture of a container made by createContainer (stretched to
  // its size); the container owns the bitmap from here on. Null clears it.
  void setPanelPicture(ControlId id, HBITMAP picture);
  HFONT font() const { return font_; }
  // The pop-up menu "系统菜单" of the notification-area icon.
  HMENU systemMenu() const { return systemMenu_; }

  // Hook: asks the navigation bar to repaint itself; the main window calls it
  // when it is activated and when it loses the activation.
  std::function<void()> repaintNavigation;

  // The exit confirmation "退出程序？", modal; "确 定" ends the process.
  void showExitConfirmation();
  // Called just before the process ends through the exit confirmation, so a
  // module can stop its threads cooperatively.
  void onExit(std::function<void()> hook);
  // Ends the message loop with this exit code (the process then releases its
  // state and ends). Further start-up steps do not run.
  void endProcess(int exitCode);
  bool endRequested() const { return endRequested_; }

  // --- used by the start-up sequence ---
  StartupWindow* startupWindow() const { return startup_.get(); }
  void setStartupWindow(std::unique_ptr<StartupWindow> window);
  // The page control's display property: 1 hides the tab headers, so the pages
  // fill the control (the navigation bar switches them).
  void setPageControlProperty(int value);
  void setPageControlHeight(int height);
  void startMemoryTrimTimer();

 private:
  static LRESULT CALLBACK windowProc(HWND, UINT, WPARAM, LPARAM);
  LRESULT handle(UINT msg, WPARAM wp, LPARAM lp);
  void buildFrame();
  void layoutPages();
  void flushLog();
  void runTasks();
  void sliderReleased(int id);

  AppState& state_;
  HWND hwnd_ = nullptr;
  bool runStartup_ = true;
  std::map<int, HWND> controls_;
  std::map<int, CommandHandler> commands_;
  std::map<int, NotifyHandler> notifies_;
  std::map<UINT, MessageHandler> messages_;
  HWND pages_[4] = {};

  HFONT font_ = nullptr;
  HMENU systemMenu_ = nullptr;
  HICON smallIcon_ = nullptr, bigIcon_ = nullptr;
  bool ownIcons_ = false;
  bool pageHeadersHidden_ = false;
  bool endRequested_ = false;
  bool confirmationOpen_ = false;
  std::vector<std::function<void()>> exitHooks_;
  std::unique_ptr<StartupWindow> startup_;
  std::mutex tasksMutex_;
  std::vector<std::function<void()>> tasks_;
  HWND taskTarget_ = nullptr;  // hwnd_ as postTask sees it (under tasksMutex_)
};

// Page builders, each in its own file; the frame calls them while it creates
// the window, in page order. Each creates its page's controls on `page` at the
// positions of the window design, registers them, and hooks its handlers.
void buildStartPage(MainWindow& window, HWND page);    // 开始
void buildCollectPage(MainWindow& window, HWND page);  // 采集 (address, path, item list, log)
void buildConfigPage(MainWindow& window, HWND page);   // 配置
void buildHelpPage(MainWindow& window, HWND page);     // 帮助

// Feature hooks called after all pages exist (handlers for the buttons that the
// discovery and generation modules own). Each module defines its own.
void attachDiscovery(MainWindow& window);   // 添加到列表
void attachGeneration(MainWindow& window);  // 生成数据包, 暂停, 停止, pms
