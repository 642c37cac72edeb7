// What the color scale module promises its callers beyond its interfaces: the settings record of
// a color scale (its keys, their types and how many values each holds, in the order a save writes
// them), how a load reads it, and the most blocks a scale may have. Host-free, so that a host
// program can check a record the way the scale reads it.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>

namespace ZORSettingsRecord {

enum class Type { Int, Double };
// How many values a key holds: one, four, one per block, or one per boundary.
enum class Count { One, Four, PerBlock, PerBoundary };

struct Key {
  const char* name;
  Type type;
  Count count;
};

inline constexpr Key kNumberOfBlocks{"NumberOfBlocks", Type::Int, Count::One};
inline constexpr Key kNonlinearScale{"NonlinearScale", Type::Int, Count::One};
inline constexpr Key kAbsoluteExtrema{"AbsoluteExtrema", Type::Int, Count::One};
inline constexpr Key kGreenIsFlat{"GreenIsFlat", Type::Int, Count::One};
inline constexpr Key kMinNegativeCrv{"Min_NegativeCrv", Type::Double, Count::One};
inline constexpr Key kMaxNegativeCrv{"Max_NegativeCrv", Type::Double, Count::One};
inline constexpr Key kMinPositiveCrv{"Min_PositiveCrv", Type::Double, Count::One};
inline constexpr Key kMaxPositiveCrv{"Max_PositiveCrv", Type::Double, Count::One};
inline constexpr Key kUndefineColor{"UndefineColor", Type::Int, Count::Four};
inline constexpr Key kRed{"Red", Type::Int, Count::PerBlock};
inline constexpr Key kGreen{"Green", Type::Int, Count::PerBlock};
inline constexpr Key kBlue{"Blue", Type::Int, Count::PerBlock};
inline constexpr Key kAlpha{"Alpha", Type::Int, Count::PerBlock};
inline constexpr Key kIndexImposedCol{"IndexImposedCol", Type::Int, Count::PerBlock};
inline constexpr Key kInterpolColorType{"InterpolColorType", Type::Int, Count::PerBlock};
inline constexpr Key kNumberOfImposedValues{"NumberOfImposedValues", Type::Int, Count::One};
inline constexpr Key kImposedValues{"ImposedValues", Type::Double, Count::PerBoundary};
inline constexpr Key kIndexImposedVal{"IndexImposedVal", Type::Int, Count::PerBoundary};
inline constexpr Key kInterpolValType{"InterpolValType", Type::Int, Count::PerBoundary};

inline constexpr std::array<Key, 19> kKeys = {
    kNumberOfBlocks, kNonlinearScale,   kAbsoluteExtrema,   kGreenIsFlat,
    kMinNegativeCrv, kMaxNegativeCrv,   kMinPositiveCrv,    kMaxPositiveCrv,
    kUndefineColor,  kRed,              kGreen,             kBlue,
    kAlpha,          kIndexImposedCol,  kInterpolColorType, kNumberOfImposedValues,
    kImposedValues,  kIndexImposedVal,  kInterpolValType};

// The most blocks a scale may have: SetNumberOfBlocks refuses more, so that one integer cannot
// make the store grow without bound, and a record holding more loads as one without a count.
inline constexpr int kMaximumBlockCount = 65536;

// The rules of a load, for the scale that loads and for a host program that checks a record.
// The block count a load takes of the one stored: none (0) for a count no scale can have.
constexpr int LoadedBlockCount(int stored) { return stored < 1 || stored > kMaximumBlockCount ? 0 : stored; }

// The boundary entries a load uses of the "NumberOfImposedValues" stored, for `blocks` blocks:
// never more than the boundaries, never fewer than none.
constexpr int LoadedBoundaryEntries(int stored, int blocks) {
  return std::max(std::min(stored, blocks - 1), 0);
}

// How many values of `key` a load of `blocks` blocks and `boundaryEntries` boundary entries
// uses; what the key holds short of that loads as a color (0, 0, 0, 0) or a boundary 0.0, not
// imposed, type -1.
constexpr std::size_t ValuesUsed(const Key& key, int blocks, int boundaryEntries) {
  switch (key.count) {
    case Count::One: return 1;
    case Count::Four: return 4;
    case Count::PerBlock: return static_cast<std::size_t>(std::max(blocks, 0));
    case Count::PerBoundary: return static_cast<std::size_t>(std::max(boundaryEntries, 0));
  }
  return 0;
}

}  // namespace ZORSettingsRecord
