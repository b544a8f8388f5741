// What a window test of the shell needs: the process environment the entry
// sets up (OLE, GDI+), a fresh AppState whose message boxes go to a fake and
// whose run directory is a scratch folder, and the main window made in-process.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "app/app_state.h"
#include "app/main_window.h"
#include "support/fake_ui.h"

namespace shelltest {

// A folder of its own under the temp folder, removed with everything in it.
class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  const std::string& path() const { return path_; }  // GBK, no trailing backslash

 private:
  std::string path_;
};

// Runs window messages until `done` holds or `timeoutMs` passes.
bool pumpUntil(const std::function<bool()>& done, unsigned timeoutMs = 3000);
// A top-level window of this thread with that class (other test programs on the
// same display have windows of the same classes).
HWND findOwnWindow(const wchar_t* className);

// Drops a quit message the code under test posted, so later pumping works.
bool takeQuitMessage();

// While the calling thread sits in a modal loop, `action` runs (once) as soon
// as `ready` holds; both are checked from a thread timer.
class WhenReady {
 public:
  WhenReady(std::function<bool()> ready, std::function<void()> action);
  ~WhenReady();
  bool fired() const;

 private:
  UINT_PTR timer_ = 0;
};

// Loads the settings file the tests write directly.
std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& bytes);

class ShellTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Makes the main window; without the start-up sequence unless asked.
  MainWindow& makeWindow(bool runStartup = false);
  HWND control(ControlId id) { return window->control(id); }
  std::string text(ControlId id) { return window->controlText(id); }

  std::unique_ptr<AppState> state;
  FakeUiServices ui;
  ScratchFolder runDir;
  std::unique_ptr<MainWindow> window;
};

}  // namespace shelltest
