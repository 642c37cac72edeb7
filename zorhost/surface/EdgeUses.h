// How many triangles of a mesh use each of its edges, counted in one flat table: linear in the
// triangles, with no allocation an edge.
#pragma once

#include <cstdint>
#include <vector>

#include "zorhost/surface/SurfaceMesh.h"

class ZOREdgeUses {
 public:
  explicit ZOREdgeUses(const std::vector<ZORTriangle>& triangles);
  // The triangles that use the edge between nodes `a` and `b`, whichever way round: 0, 1, 2, or 3
  // for three or more.
  int Uses(int a, int b) const;
  // Calls `visit(a, b, uses)` for every edge, a < b.
  template <class Visit>
  void ForEach(Visit visit) const {
    for (const std::uint64_t entry : entries_) {
      if (entry == kEmpty) continue;
      visit(static_cast<int>((entry & kEdgeBits) >> 31), static_cast<int>(entry & 0x7fffffffu),
            static_cast<int>(entry >> kUsesShift));
    }
  }

 private:
  // An entry is the edge's two nodes, 31 bits each, under its uses in the top two bits: one word,
  // one cache line read an edge.
  static constexpr int kUsesShift = 62;
  static constexpr std::uint64_t kEdgeBits = (std::uint64_t{1} << kUsesShift) - 1;
  static constexpr std::uint64_t kEmpty = ~std::uint64_t{0};  // no edge has both nodes 2^31 - 1
  void Add(const ZORTriangle& triangle);
  std::size_t Slot(std::uint64_t edge) const;
  std::vector<std::uint64_t> entries_;
};
