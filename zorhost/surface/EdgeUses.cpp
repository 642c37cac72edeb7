#include "zorhost/surface/EdgeUses.h"

#include <algorithm>

#include "zorhost/common/PixelArrays.h"

namespace {

std::uint64_t Edge(int a, int b) {
  return static_cast<std::uint64_t>(static_cast<std::uint32_t>(std::min(a, b))) << 31 |
         static_cast<std::uint32_t>(std::max(a, b));
}

}  // namespace

ZOREdgeUses::ZOREdgeUses(const std::vector<ZORTriangle>& triangles) {
  // At most three edges a triangle, the table at most three quarters full (a soup), three eighths
  // for a closed mesh, whose edges are shared.
  const std::size_t size = std::max<std::size_t>(16, 4 * triangles.size());
  ZORFillPixels(entries_, size, kEmpty);  // huge pages: a large table is touched everywhere at once
  for (const ZORTriangle& t : triangles) Add(t);
}

void ZOREdgeUses::Add(const ZORTriangle& t) {
  constexpr std::uint64_t kOneUse = std::uint64_t{1} << kUsesShift;
  for (int i = 0; i < 3; ++i) {
    const std::uint64_t edge = Edge(t[static_cast<std::size_t>(i)], t[static_cast<std::size_t>((i + 1) % 3)]);
    std::uint64_t& entry = entries_[Slot(edge)];
    if (entry == kEmpty) {
      entry = edge | kOneUse;
    } else if ((entry >> kUsesShift) < 3) {
      entry += kOneUse;
    }
  }
}

std::size_t ZOREdgeUses::Slot(std::uint64_t edge) const {
  // The hash's high 32 bits scaled to the table, which may have any size below 2^32.
  const std::uint64_t hash = (edge * 0x9E3779B97F4A7C15ull) >> 32;
  std::size_t slot = static_cast<std::size_t>((hash * entries_.size()) >> 32);
  while (entries_[slot] != kEmpty && (entries_[slot] & kEdgeBits) != edge) {
    if (++slot == entries_.size()) slot = 0;
  }
  return slot;
}

int ZOREdgeUses::Uses(int a, int b) const {
  const std::uint64_t entry = entries_[Slot(Edge(a, b))];
  return entry == kEmpty ? 0 : static_cast<int>(entry >> kUsesShift);
}
