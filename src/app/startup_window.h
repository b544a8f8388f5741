// The start-up window: picture 图片框1 (460×280), label 透明标签1 over it and the
// progress bar 进度条1. Shown, not modal, while the start-up sequence runs.
#pragma once

#include <windows.h>

#include <string>

class StartupWindow {
 public:
  StartupWindow() = default;
  ~StartupWindow();
  StartupWindow(const StartupWindow&) = delete;
  StartupWindow& operator=(const StartupWindow&) = delete;

  bool show(HFONT font);
  HWND hwnd() const { return hwnd_; }

  void setLabel(const std::string& gbk);
  std::string label() const;
  void setProgress(int percent);
  int progress() const;

 private:
  static LRESULT CALLBACK windowProc(HWND, UINT, WPARAM, LPARAM);
  HWND hwnd_ = nullptr;
  HWND label_ = nullptr;
  HWND progress_ = nullptr;
  HBITMAP picture_ = nullptr;
};
