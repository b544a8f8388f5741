#include "util/operation_log.h"

void OperationLog::append(std::string line) {
  std::function<void()> notify;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    bool wasEmpty = pending_.empty();
    pending_ += line;
    all_ += line;
    if (wasEmpty) notify = notify_;
  }
  if (notify) notify();
}

std::string OperationLog::takePending() {
  std::lock_guard<std::mutex> lock(mutex_);
  std::string out;
  out.swap(pending_);
  return out;
}

std::string OperationLog::allText() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return all_;
}

void OperationLog::setNotify(std::function<void()> notify) {
  std::lock_guard<std::mutex> lock(mutex_);
  notify_ = std::move(notify);
}
