// A time limit on work that cannot be interrupted, such as the CAD kernel's reading and meshing:
// past it the process says why and ends. Armed only while nothing is being written.
#pragma once

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

class ZORDeadline {
 public:
  // After `seconds` (none when not above 0, or above kZORLongestTimeLimit), writes `message` and a
  // line end on standard error and ends the process with `status`.
  ZORDeadline(double seconds, std::string message, int status);
  // Disarms the limit.
  ~ZORDeadline();
  ZORDeadline(const ZORDeadline&) = delete;
  ZORDeadline& operator=(const ZORDeadline&) = delete;

 private:
  std::mutex mutex_;
  std::condition_variable wake_;
  bool done_ = false;
  std::thread watcher_;
};
