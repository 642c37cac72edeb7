// Doubles as unsigned integers in the doubles' own order (-0 just below +0), so that the doubles
// between two are a range of integers: for sorting by digits and for bisecting to a single double.
#pragma once

#include <bit>
#include <cstdint>

inline std::uint64_t ZOROrderedBits(double value) {
  const auto bits = std::bit_cast<std::uint64_t>(value);
  return (bits >> 63) != 0 ? ~bits : bits | (std::uint64_t{1} << 63);
}

inline double ZORFromOrderedBits(std::uint64_t ordered) {
  return std::bit_cast<double>((ordered >> 63) != 0 ? ordered & ~(std::uint64_t{1} << 63) : ~ordered);
}
