#include "zorhost/surface/EdgeUses.h"

#include <algorithm>
#include <bit>

namespace {

std::uint64_t Key(int a, int b) {
  return static_cast<std::uint64_t>(static_cast<std::uint32_t>(std::min(a, b))) << 32 |
         static_cast<std::uint32_t>(std::max(a, b));
}

}  // namespace

ZOREdgeUses::ZOREdgeUses(const std::vector<ZORTriangle>& triangles) {
  // At most three edges a triangle, at most half the table full.
  const std::size_t size = std::bit_ceil(std::max<std::size_t>(16, 6 * triangles.size()));
  keys_.assign(size, kEmpty);
  uses_.assign(size, 0);
  mask_ = size - 1;
  for (const ZORTriangle& t : triangles) {
    for (int i = 0; i < 3; ++i) {
      const std::uint64_t key = Key(t[static_cast<std::size_t>(i)], t[static_cast<std::size_t>((i + 1) % 3)]);
      const std::size_t slot = Slot(key);
      keys_[slot] = key;
      ++uses_[slot];
    }
  }
}

std::size_t ZOREdgeUses::Slot(std::uint64_t key) const {
  std::size_t slot = static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> 20) & mask_;
  while (keys_[slot] != kEmpty && keys_[slot] != key) slot = (slot + 1) & mask_;
  return slot;
}

int ZOREdgeUses::Uses(int a, int b) const { return uses_[Slot(Key(a, b))]; }
