// A recording sink that can wait for a message and tells when it came:
// for tests and benchmarks that run jobs on their own threads.
#pragma once

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>

#include "tests/support/recording_sink.h"

class WaitingSink : public RecordingSink {
 public:
  using Clock = std::chrono::steady_clock;

  bool Post(Page page, unsigned msg, std::uintptr_t wparam, char* text) override {
    bool taken = RecordingSink::Post(page, msg, wparam, text);
    {
      std::lock_guard<std::mutex> guard(lock_);
      lastPost_[msg] = {Clock::now(), wparam};
    }
    posted_.notify_all();
    return taken;
  }

  // Waits until `msg` has been posted since the last Forget, at most
  // `timeoutMs`. True when it came; `wparam` then holds its wparam.
  bool WaitFor(unsigned msg, unsigned timeoutMs, std::uintptr_t* wparam = nullptr) {
    std::unique_lock<std::mutex> guard(lock_);
    bool came = posted_.wait_for(guard, std::chrono::milliseconds(timeoutMs),
                                 [&] { return lastPost_.count(msg) != 0; });
    if (came && wparam) *wparam = lastPost_[msg].wparam;
    return came;
  }

  // When `msg` was last posted (WaitFor must have returned true).
  Clock::time_point TimeOf(unsigned msg) {
    std::lock_guard<std::mutex> guard(lock_);
    return lastPost_[msg].at;
  }

  // Forgets everything recorded so far.
  void Forget() {
    Clear();
    std::lock_guard<std::mutex> guard(lock_);
    lastPost_.clear();
  }

 private:
  struct LastPost {
    Clock::time_point at;
    std::uintptr_t wparam;
  };
  std::mutex lock_;
  std::condition_variable posted_;
  std::map<unsigned, LastPost> lastPost_;
};
