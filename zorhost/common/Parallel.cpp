#include "zorhost/common/Parallel.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

int ZORThreadCount(int asked) {
  if (asked > 0) return asked;
  return static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
}

void ZORInParallel(std::size_t count, std::size_t piece, int threads,
                   const std::function<void(int worker, std::size_t first, std::size_t last)>& work) {
  piece = std::max<std::size_t>(piece, 1);
  const std::size_t pieces = (count + piece - 1) / piece;
  const int used = static_cast<int>(std::min<std::size_t>(static_cast<std::size_t>(std::max(threads, 1)), pieces));
  std::atomic<std::size_t> next{0};
  std::atomic<bool> failed{false};
  std::exception_ptr failure;
  std::mutex failureMutex;
  auto run = [&](int worker) {
    for (std::size_t p = next++; p < pieces && !failed; p = next++) {
      try {
        work(worker, p * piece, std::min(count, (p + 1) * piece));
      } catch (...) {
        std::lock_guard lock(failureMutex);
        if (!failure) failure = std::current_exception();
        failed = true;
      }
    }
  };
  std::vector<std::jthread> helpers;
  for (int worker = 1; worker < used; ++worker) helpers.emplace_back(run, worker);
  run(0);
  helpers.clear();  // joined
  if (failure) std::rethrow_exception(failure);
}
