// The operation record: a thread-safe queue of whole lines. Any thread appends;
// the window thread takes the pending text and appends it to the edit box, so a
// line is never split and no worker touches the control.
#pragma once

#include <functional>
#include <mutex>
#include <string>

class OperationLog {
 public:
  // Appends one whole line (the caller ends it with "\r\n"). Any thread.
  void append(std::string line);
  // Pending text since the last take; window thread.
  std::string takePending();
  // Everything appended so far (tests and diagnostics).
  std::string allText() const;
  // Called on the appending thread when pending text appears where there was
  // none; the window posts itself a message from it. Set before threads start.
  void setNotify(std::function<void()> notify);

 private:
  mutable std::mutex mutex_;
  std::string pending_;
  std::string all_;
  std::function<void()> notify_;
};
