// The settings record of a color scale: its keys, their types and how many values each holds,
// in the order a save writes them. Host-free, so that a host program can check a record the
// way the scale reads it.
#pragma once

#include <array>

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

}  // namespace ZORSettingsRecord
