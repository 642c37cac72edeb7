// How many triangles of a mesh use each of its edges, counted in one flat table: linear in the
// triangles, with no allocation an edge.
#pragma once

#include <cstdint>
#include <vector>

#include "zorhost/surface/SurfaceMesh.h"

class ZOREdgeUses {
 public:
  explicit ZOREdgeUses(const std::vector<ZORTriangle>& triangles);
  // The triangles that use the edge between nodes `a` and `b`, whichever way round.
  int Uses(int a, int b) const;
  // Calls `visit(a, b, uses)` for every edge, a < b.
  template <class Visit>
  void ForEach(Visit visit) const {
    for (std::size_t slot = 0; slot < keys_.size(); ++slot) {
      if (keys_[slot] != kEmpty) visit(static_cast<int>(keys_[slot] >> 32), static_cast<int>(keys_[slot] & 0xffffffffu), uses_[slot]);
    }
  }

 private:
  static constexpr std::uint64_t kEmpty = ~std::uint64_t{0};
  std::size_t Slot(std::uint64_t key) const;
  std::vector<std::uint64_t> keys_;
  std::vector<int> uses_;
  std::size_t mask_ = 0;
};
