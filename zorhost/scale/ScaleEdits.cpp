#include "zorhost/scale/ScaleEdits.h"

bool ZORImposeColors(ZORIStNewColorScale* scale, std::span<const ZORImposedBlockColor> colors) {
  ZORRawCollint index, red, green, blue, alpha, types;
  for (const ZORImposedBlockColor& imposed : colors) {
    index.Append(imposed.position);
    red.Append(imposed.color.red);
    green.Append(imposed.color.green);
    blue.Append(imposed.color.blue);
    alpha.Append(imposed.color.alpha);
    types.Append(0);
  }
  return SUCCEEDED(scale->SetColors(index.Size(), &index, &red, &green, &blue, &alpha, &types));
}

bool ZORImposeRamp(ZORIStNewColorScale* scale, std::span<const ZORRgba> anchors, ZORRampSampling sampling) {
  int blocks = 0;
  return SUCCEEDED(scale->GetNumberOfBlocks(blocks)) &&
         ZORImposeColors(scale, ZORSampleRamp(anchors, blocks, sampling));
}

bool ZORMakeDefaultScale(ZORIStNewColorScale* scale, int blocks) {
  if (FAILED(scale->SetNumberOfBlocks(blocks)) || !ZORImposeRamp(scale, ZORDefaultRamp())) {
    return false;
  }
  // Undefined values in gray: seen on the part, and told apart from every color of the ramp and
  // from the background.
  constexpr int kUndefinedGray = 128;
  constexpr int kOutlierPercent = 1;
  return SUCCEEDED(scale->SetColorUndefine(kUndefinedGray, kUndefinedGray, kUndefinedGray, 255)) &&
         SUCCEEDED(scale->SetAutoMinMaxStatus(ZORTrue)) &&
         SUCCEEDED(scale->SetAutoMinMaxOption(kOutlierPercent));
}

bool ZORImposeWholeScale(ZORIStNewColorScale* scale, const ZORWholeScale& whole) {
  const int blocks = static_cast<int>(whole.colors.size());
  if (FAILED(scale->SetNumberOfBlocks(blocks))) return false;
  std::vector<ZORImposedBlockColor> colors;
  for (int k = 0; k < blocks; ++k) colors.push_back({k + 1, whole.colors[static_cast<std::size_t>(k)]});
  scale->SetAutoMinMaxStatus(ZORFalse);
  scale->SetAbsoluteExtrema(ZORFalse);
  return ZORImposeColors(scale, colors) && ZORImposeBoundaries(scale, whole.boundaries);
}

bool ZORImposePreset(ZORIStNewColorScale* scale, const ZORColorPreset& preset) {
  if (preset.boundaries.empty()) return ZORImposeRamp(scale, preset.anchors, preset.sampling);
  return ZORImposeWholeScale(scale, {{preset.anchors.begin(), preset.anchors.end()},
                                     {preset.boundaries.begin(), preset.boundaries.end()}});
}

bool ZORImposeBoundaries(ZORIStNewColorScale* scale, const std::vector<double>& boundaries) {
  if (boundaries.empty()) return true;
  ZORRawCollint positions, types;
  ZORRawColldouble values;
  for (std::size_t k = 0; k < boundaries.size(); ++k) {
    positions.Append(static_cast<int>(k + 1));
    values.Append(boundaries[k]);
    types.Append(0);
  }
  if (FAILED(scale->SetImposedValues(values.Size(), &positions, &values, &types))) return false;
  scale->SetExtremeImposedValues(boundaries.front(), boundaries.back());
  return true;
}

void ZORStretchRelative(ZORIStNewColorScale* scale, const std::vector<double>& fractions) {
  int blocks = 0;
  if (fractions.size() < 2 || FAILED(scale->GetNumberOfBlocks(blocks)) ||
      fractions.size() != static_cast<std::size_t>(blocks - 1)) {
    return;
  }
  double lowest = 0.0, highest = 0.0;
  ZORScaleExtremes(scale, lowest, highest);
  std::vector<double> boundaries;
  for (double fraction : fractions) boundaries.push_back(lowest + fraction * (highest - lowest));
  boundaries.front() = lowest;
  boundaries.back() = highest;
  ZORImposeBoundaries(scale, boundaries);
}

std::vector<double> ZORScaleBoundaries(ZORIStNewColorScale* scale) {
  ZORRawColldouble values;
  ZORRawCollint indices;
  scale->GetValueTable(&values, &indices, nullptr, nullptr);
  std::vector<double> boundaries;
  for (int k = 1; k <= values.Size(); ++k) boundaries.push_back(values[k]);
  return boundaries;
}

void ZORScaleExtremes(ZORIStNewColorScale* scale, double& lowest, double& highest) {
  const std::vector<double> boundaries = ZORScaleBoundaries(scale);
  lowest = boundaries.empty() ? 0.0 : boundaries.front();
  highest = boundaries.empty() ? 0.0 : boundaries.back();
}
