// Arrays of a value a pixel, as large as big pictures make them (100 MB and more): their memory
// asked for in huge pages where the system gives them, so that first touching it costs a fault
// every 2 MB, not every 4 kB (on virtual machines a fault costs more than a pixel's arithmetic).
#pragma once

#include <sys/mman.h>

#include <cstdint>
#include <vector>

// Makes `array` `count` copies of `fill`, its memory asked for in huge pages first.
template <class T>
void ZORFillPixels(std::vector<T>& array, std::size_t count, const T& fill) {
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
#endif
  }
  array.assign(count, fill);
}

