// Arrays of a value a pixel, as large as big pictures make them (100 MB and more): their memory
// asked for in huge pages where the system gives them, so that first touching it costs a fault
// every 2 MB, not every 4 kB (on virtual machines a fault costs more than a pixel's arithmetic),
// and those faults taken on every thread the picture has, or, for the arrays a picture will
// need, on a thread of their own while the part is still being read (ZORPixelArraysAhead).
#pragma once

#include <sys/mman.h>

#include <algorithm>
#include <array>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <mutex>
#include <stop_token>
#include <thread>
#include <vector>

#include "zorhost/common/Parallel.h"

namespace zor_pixel_arrays {

constexpr std::size_t kHugePage = std::size_t{2} << 20;

constexpr bool IsBig(std::size_t bytes) { return bytes >= 2 * kHugePage; }

// Makes `array` `count` copies of `fill` in new memory, asked for as ZORFillPixels says.
template <class T>
void FillNew(std::vector<T>& array, std::size_t count, const T& fill, int threads) {
  if (IsBig(count * sizeof(T)) && array.capacity() < count) {
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

// The arrays made ahead that no fill has taken yet, shared by every thread. Only one set is
// made at a time; ZORPixelArraysAhead opens and closes it.
struct Ahead {
  std::mutex mutex;
  std::condition_variable changed;
  bool open = false;    // arrays are being made ahead, or wait on the shelves
  bool making = false;  // the thread that makes them has not finished
  std::vector<void (*)()> clearShelves;  // one for each type put on a shelf
};
Ahead& TheAhead();

// The arrays of element type T on the shelf; read and changed under TheAhead().mutex.
template <class T>
std::vector<std::vector<T>>& Shelf() {
  static std::vector<std::vector<T>> arrays;
  return arrays;
}

template <class T>
void ClearShelf() {
  Shelf<T>().clear();
}

// Puts `array` on its shelf; the caller holds TheAhead().mutex.
template <class T>
void PutLocked(Ahead& ahead, std::vector<T>&& array) {
  Shelf<T>().push_back(std::move(array));
  if (std::find(ahead.clearShelves.begin(), ahead.clearShelves.end(), &ClearShelf<T>) == ahead.clearShelves.end()) {
    ahead.clearShelves.push_back(&ClearShelf<T>);
  }
}

// Gives `array` an array of `count` elements from the shelf, waiting while the arrays are still
// being made; false when none is or will be there.
template <class T>
bool Take(std::vector<T>& array, std::size_t count) {
  Ahead& ahead = TheAhead();
  std::unique_lock lock(ahead.mutex);
  for (;;) {
    if (!ahead.open) return false;
    std::vector<std::vector<T>>& shelf = Shelf<T>();
    // Only one of its size: a larger one waits for the fill it was made for.
    const auto found = std::find_if(shelf.begin(), shelf.end(),
                                    [count](const std::vector<T>& kept) { return kept.size() == count; });
    if (found != shelf.end()) {
      array.swap(*found);
      shelf.erase(found);
      return true;
    }
    if (!ahead.making) return false;
    ahead.changed.wait(lock);
  }
}

}  // namespace zor_pixel_arrays

// Makes `array` `count` copies of `fill`: in an array made ahead for it when one waits on the
// shelf (see ZORPixelArraysAhead), else its memory asked for in huge pages first and, on
// `threads` threads (0: one a core), given its pages before it is filled.
template <class T>
void ZORFillPixels(std::vector<T>& array, std::size_t count, const T& fill, int threads = 1) {
  if (zor_pixel_arrays::IsBig(count * sizeof(T)) && array.capacity() < count) {
    zor_pixel_arrays::Take(array, count);
  }
  zor_pixel_arrays::FillNew(array, count, fill, threads);
}

// Hands an array a step is done with to the steps after it, the next fill of as many elements of
// its type taking it (its pages already given), while arrays are made ahead; else frees it.
template <class T>
void ZORShelvePixels(std::vector<T>&& array) {
  zor_pixel_arrays::Ahead& ahead = zor_pixel_arrays::TheAhead();
  std::vector<T> given = std::move(array);
  std::lock_guard lock(ahead.mutex);
  if (ahead.open) zor_pixel_arrays::PutLocked(ahead, std::move(given));
}

// For its lifetime, an array of each of Ts, of the number of elements `counts` gives in turn, is
// made in that order on a thread of its own and shelved for ZORFillPixels, when more than one
// thread is asked for: the steps before a picture (reading and meshing a part) leave the other
// cores idle, and first touching fresh memory is a large share of a big picture. Arrays no step
// took are freed at the end. Only one set is made at a time in the process; another does nothing.
template <class... Ts>
class ZORPixelArraysAhead {
 public:
  using Counts = std::array<std::size_t, sizeof...(Ts)>;
  ZORPixelArraysAhead(const Counts& counts, int threads) {
    if (counts == Counts{} || ZORThreadCount(threads) < 2) return;
    zor_pixel_arrays::Ahead& ahead = zor_pixel_arrays::TheAhead();
    {
      std::lock_guard lock(ahead.mutex);
      if (ahead.open) return;
      ahead.open = ahead.making = true;
    }
    maker_ = std::jthread(&MakeAll, counts);
  }
  // A render that ends early (a part it could not read) does not wait for arrays it will not fill.
  ~ZORPixelArraysAhead() {
    if (!maker_.joinable()) return;
    maker_.request_stop();
    maker_.join();
    zor_pixel_arrays::Ahead& ahead = zor_pixel_arrays::TheAhead();
    std::lock_guard lock(ahead.mutex);
    for (void (*clear)() : ahead.clearShelves) clear();
    ahead.clearShelves.clear();
    ahead.open = false;
  }
  ZORPixelArraysAhead(const ZORPixelArraysAhead&) = delete;
  ZORPixelArraysAhead& operator=(const ZORPixelArraysAhead&) = delete;

 private:
  static void MakeAll(std::stop_token stop, const Counts& counts) {
    std::size_t next = 0;
    const auto makeNext = [&]<class T>() {
      if (!stop.stop_requested()) Make<T>(counts[next]);
      ++next;
    };
    (makeNext.template operator()<Ts>(), ...);
    zor_pixel_arrays::Ahead& ahead = zor_pixel_arrays::TheAhead();
    std::lock_guard lock(ahead.mutex);
    ahead.making = false;
    ahead.changed.notify_all();
  }
  // A refusal of memory (or a size no vector holds) leaves the fill that wanted the array to ask
  // again, and fail there, on the render's own thread.
  template <class T>
  static void Make(std::size_t count) {
    std::vector<T> array;
    try {
      zor_pixel_arrays::FillNew(array, count, T{}, 1);
    } catch (const std::exception&) {
      return;
    }
    zor_pixel_arrays::Ahead& ahead = zor_pixel_arrays::TheAhead();
    std::lock_guard lock(ahead.mutex);
    zor_pixel_arrays::PutLocked(ahead, std::move(array));
    ahead.changed.notify_all();
  }

  std::jthread maker_;
};
