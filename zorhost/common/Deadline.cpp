#include "zorhost/common/Deadline.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>

#include "zorhost/common/Limits.h"

ZORDeadline::ZORDeadline(double seconds, std::string message, int status) {
  // A limit past any reading is none (and would overflow the clock's count).
  if (!(seconds > 0.0) || seconds > kZORLongestTimeLimit) return;
  watcher_ = std::thread([this, seconds, message = std::move(message), status] {
    std::unique_lock lock(mutex_);
    const auto limit = std::chrono::duration<double>(seconds);
    if (wake_.wait_for(lock, limit, [this] { return done_; })) return;
    // The work holds the kernel's state mid-way: nothing can be unwound, and nothing of the job
    // has been written.
    std::fprintf(stderr, "%s\n", message.c_str());
    std::fflush(stderr);
    _exit(status);
  });
}

ZORDeadline::~ZORDeadline() {
  if (!watcher_.joinable()) return;
  {
    std::lock_guard lock(mutex_);
    done_ = true;
  }
  wake_.notify_one();
  watcher_.join();
}
