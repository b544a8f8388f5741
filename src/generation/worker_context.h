// What each generation worker owns for its whole life, and the checkpoint it
// passes before every request, download, log line and row.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "generation/item_record.h"

struct AppState;
class XmlDocument;
class RegexMatcher;

// Pause and stop of one run, shared by its five workers and the window thread.
// Workers wait in checkpoint() while paused and learn there that the run was
// stopped; nothing is held while they wait.
class RunControl {
 public:
  // True when the worker may go on; false once the run is stopped (the worker
  // then does nothing further and leaves).
  bool checkpoint();
  void pause();
  void resume();
  void stop();
  bool stopped() const { return stopped_.load(); }
  bool paused() const;

 private:
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  bool paused_ = false;
  std::atomic<bool> stopped_{false};
};

struct WorkerContext {
  WorkerContext(AppState& state, RunControl& control, int32_t workerNumber);
  ~WorkerContext();
  WorkerContext(const WorkerContext&) = delete;
  WorkerContext& operator=(const WorkerContext&) = delete;

  AppState& state;
  RunControl& control;

  int32_t workerNumber = 0;      // 1 to 5
  int32_t credentialCursor = 0;  // 1-based; 0 before the first item
  int32_t attemptCount = 0;      // credential changes for the current item
  int32_t lastItemNumber = 0;    // 1-based; 0 before the first
  int32_t runTotal = 0;          // the run's N, for the log lines
  std::unique_ptr<XmlDocument> document;
  std::unique_ptr<RegexMatcher> tagMatcher;
  std::unique_ptr<RegexMatcher> characterMatcher;
  ItemRecord item;
  std::string itemFolderName;

  // Appends a whole line to the operation record unless the run was stopped;
  // waits while paused. Returns whether the line was written.
  bool log(const std::string& line);
};
