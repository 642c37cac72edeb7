// The keys of the color scale feature's attributes.
#pragma once

namespace ZORColorScaleKeys {

// Scalar options.
inline constexpr char kAutoMinMaxOption[] = "AutoMinMaxOption";
inline constexpr char kAutoMinMaxStatus[] = "AutoMinMaxStatus";
inline constexpr char kAbsoluteExtrema[] = "AbsoluteExtrema";
inline constexpr char kGreenIsFlat[] = "GreenIsFlat";
inline constexpr char kNumberOfColorsStatus[] = "NumberOfColorsStatus";
inline constexpr char kNonlinearScale[] = "NonlinearScale";
inline constexpr char kNumberOfBlocks[] = "NumberOfBlocks";
inline constexpr char kColorUndefine[] = "ColorUndefine";

// Color lists: one member per block.
inline constexpr char kRedColorList[] = "RedColorList";
inline constexpr char kGreenColorList[] = "GreenColorList";
inline constexpr char kBlueColorList[] = "BlueColorList";
inline constexpr char kAlphaColorList[] = "AlphaColorList";
inline constexpr char kImposedColorsIndexList[] = "ImposedColorsIndexList";
inline constexpr char kColorInterpolTypeList[] = "ColorInterpolTypeList";

// Value lists: one member per boundary.
inline constexpr char kImposedValuesList[] = "ImposedValuesList";
inline constexpr char kImposedValuesIndexList[] = "ImposedValuesIndexList";
inline constexpr char kValueInterpolTypeList[] = "ValueInterpolTypeList";

}  // namespace ZORColorScaleKeys
