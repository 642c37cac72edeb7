// Arrays of a value a pixel, as large as big pictures make them (100 MB and more): their memory
// asked for in huge pages where the system gives them, so that first touching it costs a fault
// every 2 MB, not every 4 kB (on virtual machines a fault costs more than a pixel's arithmetic),
// and those faults taken on every thread the picture has.
#pragma once

#include <sys/mman.h>

#include <cstdint>
#include <vector>

#include "zorhost/common/Parallel.h"

// Makes `array` `count` copies of `fill`, its memory asked for in huge pages first and, on
// `threads` threads (0: one a core), given its pages before it is filled.
template <class T>
void ZORFillPixels(std::vector<T>& array, std::size_t count, const T& fill, int threads = 1) {
  constexpr std::size_t kHugePage = std::size_t{2} << 20;
  if (count * sizeof(T) >= 2 * kHugePage && array.capacity() < count) {
    std::vector<T>().swap(array);
    array.reserve(count);
#if defined(MADV_HUGEPAGE)
    // Only the whole pages inside the block can be huge; a refusal leaves ordinary pages.
    const auto start = reinterpret_cast<std::uintptr_t>(array.data());
    const std::uintptr_t first = (start + kHugePage - 1) & ~(kHugePage - 1);
    const std::uintptr_t end = (start + count * sizeof(T)) & ~(kHugePage - 1);
    if (end > first) madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE);
#if defined(MADV_POPULATE_WRITE)
    // The kernel clears each page a thread faults in; a refusal (an older kernel) leaves the
    // faults to the fill below.
    if (end > first && ZORThreadCount(threads) > 1) {
      ZORInParallel((end - first) / kHugePage, 4, ZORThreadCount(threads), [first](int, std::size_t from, std::size_t to) {
        madvise(reinterpret_cast<void*>(first + from * kHugePage), (to - from) * kHugePage, MADV_POPULATE_WRITE);
      });
    }
#endif
#endif
  }
  array.assign(count, fill);
}
