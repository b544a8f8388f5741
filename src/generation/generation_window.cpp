#include <memory>

#include "app/main_window.h"
#include "generation/generation_run.h"

// The controller lives as long as the window's handlers; its destructor stops
// a run still going before the window's parts go.
void attachGeneration(MainWindow& window) {
  auto controller = std::make_shared<GenerationController>(window);
  window.onCommand(kStartButton, [controller](int code) {
    if (code == BN_CLICKED) controller->startGeneration();
  });
  window.onCommand(kStopButton, [controller](int code) {
    if (code == BN_CLICKED) controller->stopGeneration();
  });
  window.onCommand(kPauseButton, [controller](int code) {
    if (code == BN_CLICKED) controller->togglePause();
  });
  window.onCommand(kCompletionButton, [controller](int code) {
    if (code == BN_CLICKED) controller->openCompletionWindow();
  });
  window.onCommand(kPathBox, [controller](int code) {
    if (code == EN_CHANGE) controller->savePathChanged();
  });
}
