// The main window "Quorvane V3.06": the frame (page control with four pages,
// banner, status bar, sliders, navigation bar host) plus a registry of the
// controls the page builders create, so every module finds its controls by id
// and hooks its handlers without editing the frame.
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <string>

#include "app/control_ids.h"

struct AppState;

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

  // Runs `task` on the window thread (posted message). Safe from any thread;
  // tasks posted after the window is gone are dropped.
  void postTask(std::function<void()> task);

  // Lets pending window events run (the "process pending events" of handlers).
  static void pumpPending();

 private:
  static LRESULT CALLBACK windowProc(HWND, UINT, WPARAM, LPARAM);
  LRESULT handle(UINT msg, WPARAM wp, LPARAM lp);

  AppState& state_;
  HWND hwnd_ = nullptr;
  bool runStartup_ = true;
  std::map<int, HWND> controls_;
  std::map<int, CommandHandler> commands_;
  std::map<int, NotifyHandler> notifies_;
  HWND pages_[4] = {};
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
