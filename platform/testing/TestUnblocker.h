// Test support: a watchdog for calls that might block forever.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <utility>

namespace veltaro::test_support {

// Gives a call that blocks what it waits for, should the test not be done
// long after it ought to be: action runs on a thread of its own after
// kPatience, so that a call waiting forever makes the test fail instead of
// hanging.
class TUnblocker {
 public:
  explicit TUnblocker(std::function<void()> action)
      : thread_([this, action = std::move(action)] {
          std::unique_lock<std::mutex> lock(mutex_);
          if (wake_.wait_for(lock, kPatience, [this] { return done_; })) return;
          fired_ = true;
          lock.unlock();
          action();
        }) {}
  ~TUnblocker() { Done(); }
  // Ends the wait; true when the action had to run.
  bool Done() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      done_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
    return fired_;
  }

 private:
  static constexpr std::chrono::seconds kPatience{10};
  std::mutex mutex_;
  std::condition_variable wake_;
  bool done_ = false;
  bool fired_ = false;
  std::thread thread_;
};

}  // namespace veltaro::test_support
