// A generation run driven through the real main window: the loopback server
// stands in for the API gateway and answers by num_iid; buttons are clicked by
// message and the window's events are pumped while the workers run.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/main_window.h"
#include "support/fake_ui.h"
#include "support/loopback_server.h"

namespace gentest {

// The fixed clock of these tests: every log line starts with this.
extern const std::string kTime;

// An answer of the item-detail call for an item whose inner elements are given.
std::string itemAnswer(const std::string& itemElements);
// What the gateway says when a credential is refused.
std::string errorAnswer();

bool pumpUntil(const std::function<bool()>& done, unsigned timeoutMs = 20000);
// Pumps for a while whatever happens.
void pumpFor(unsigned ms);

// Lines of the record that carry a worker label, without their "\r\n".
std::vector<std::string> workerLines(const std::string& log);

struct StartedItem {
  int worker = 0;
  int number = 0;
};
// The "item started" lines in the order they were written.
std::vector<StartedItem> startedItems(const std::string& log);

class GenerationWindowTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Answers the API by num_iid; an unknown id gets an empty item answer.
  void answer(std::function<loopback::Reply(const std::string& numIid)> handler);
  void addItems(int count);  // rows "宝贝n" with ids "100n"
  // A button press as its owner learns of it (BM_CLICK needs the mouse capture,
  // which a display shared with other test programs can take away).
  void click(ControlId id);
  // Ticks a check box, or one of the two layout radio buttons, and tells the page.
  void tick(ControlId id);
  bool enabled(ControlId id) { return IsWindowEnabled(window->control(id)) != FALSE; }
  // Starts the run and waits for its completion window.
  HWND runToCompletion();
  // The completion window of this test's thread (other programs on the same
  // display have windows of the same class).
  HWND completionWindow();
  std::vector<std::string> completionLabels(HWND completion);
  std::string packageText();
  // The app_key of every request for `numIid`, in order.
  std::vector<std::string> keysFor(const std::string& numIid);

  loopback::LoopbackServer server;
  std::unique_ptr<AppState> state;
  FakeUiServices ui;
  std::string folder;       // the package's folder, no trailing backslash
  std::string packagePath;  // folder + "\\pkg.csv"
  std::unique_ptr<MainWindow> window;
};

}  // namespace gentest
