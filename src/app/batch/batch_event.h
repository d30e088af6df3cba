#pragma once

// The batch pacing event: auto-reset and initially signalled. Map views signal it when they
// finish a paint or a batch step; the batch runner waits on it before every command line,
// and each signal releases exactly one wait.

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace kivo::app {

class BtchEvt {
 public:
  void signal() {
    {
      std::lock_guard lock(mutex_);
      signalled_ = true;
    }
    changed_.notify_one();
  }
  // Consumes a signal; false when none came within `timeout`.
  bool wait(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    if (!changed_.wait_for(lock, timeout, [this] { return signalled_; })) return false;
    signalled_ = false;
    return true;
  }
  // Consumes a signal if one is there, without waiting.
  bool tryWait() { return wait(std::chrono::milliseconds(0)); }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool signalled_ = true;
};

}  // namespace kivo::app
