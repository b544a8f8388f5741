#include "app/app_state.h"
#include "generation/worker_context.h"
#include "util/regex.h"
#include "util/xml_document.h"

bool RunControl::checkpoint() {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [this] { return !paused_ || stopped_.load(); });
  return !stopped_.load();
}

void RunControl::pause() {
  std::lock_guard<std::mutex> lock(mutex_);
  paused_ = true;
}

void RunControl::resume() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    paused_ = false;
  }
  changed_.notify_all();
}

void RunControl::stop() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopped_ = true;
  }
  changed_.notify_all();
}

bool RunControl::paused() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return paused_;
}

WorkerContext::WorkerContext(AppState& s, RunControl& c, int32_t number)
    : state(s),
      control(c),
      workerNumber(number),
      document(std::make_unique<XmlDocument>()),
      tagMatcher(std::make_unique<RegexMatcher>()),
      characterMatcher(std::make_unique<RegexMatcher>()) {}

WorkerContext::~WorkerContext() = default;

bool WorkerContext::log(const std::string& line) {
  if (!control.checkpoint()) return false;
  state.log.append(line);
  return true;
}
