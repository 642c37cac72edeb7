#include "zorhost/palettes/ColorRamps.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <deque>

#include "zorhost/common/Choices.h"
#include "zorhost/classification/Classification.h"
#include "zorhost/palettes/ColorPresetTables.h"

namespace {

constexpr std::array<ZORRgba, 5> kDefaultRamp = {{{0, 0, 255, 255},
                                                  {0, 255, 255, 255},
                                                  {0, 200, 0, 255},
                                                  {255, 255, 0, 255},
                                                  {255, 0, 0, 255}}};

// The ramp at `t` in [0, 1], linear between anchors, rounded.
ZORRgba RampAt(std::span<const ZORRgba> anchors, double t) {
  const double at = t * static_cast<double>(anchors.size() - 1);
  const std::size_t low = std::min(static_cast<std::size_t>(at), anchors.size() - 2);
  const double f = at - static_cast<double>(low);
  auto mix = [f](int a, int b) { return static_cast<int>(std::lround(a + (b - a) * f)); };
  const ZORRgba& a = anchors[low];
  const ZORRgba& b = anchors[low + 1];
  return {mix(a.red, b.red), mix(a.green, b.green), mix(a.blue, b.blue), mix(a.alpha, b.alpha)};
}

// The entry of a table of `size` that matplotlib's colormaps take at `t` from 0 to 1.
std::size_t MatplotlibEntry(std::size_t size, double t) {
  return std::min(static_cast<std::size_t>(t * static_cast<double>(size)), size - 1);
}

// The scale's step between imposed colors p < q is (Cq - Cp) div (q - p) for each component.
bool StepsBetween(const ZORImposedBlockColor& p, const ZORImposedBlockColor& q) {
  const int gap = q.position - p.position;
  for (auto component : {&ZORRgba::red, &ZORRgba::green, &ZORRgba::blue, &ZORRgba::alpha}) {
    if (std::abs(q.color.*component - p.color.*component) >= gap) return true;
  }
  return gap <= 1;
}

constexpr std::array<ZORRgba, 2> kGrayRamp = {{{0, 0, 0, 255}, {255, 255, 255, 255}}};

// Draft angles in degrees: an undercut red, 0 to 1 yellow, 1 to 3 light green, 3 and more green.
constexpr std::array<ZORRgba, 4> kDraftColors = {{{255, 0, 0, 255},
                                                  {255, 255, 0, 255},
                                                  {144, 238, 144, 255},
                                                  {0, 160, 0, 255}}};
constexpr std::array<double, 3> kDraftBoundaries = {0.0, 1.0, 3.0};

// Zebra stripes: dark and light in turn, 10 degrees wide from 0 to 180.
constexpr ZORRgba kZebraDark{25, 25, 30, 255}, kZebraLight{235, 235, 230, 255};
constexpr std::array<ZORRgba, 18> kZebraColors = {kZebraDark, kZebraLight, kZebraDark, kZebraLight, kZebraDark, kZebraLight,
                                                  kZebraDark, kZebraLight, kZebraDark, kZebraLight, kZebraDark, kZebraLight,
                                                  kZebraDark, kZebraLight, kZebraDark, kZebraLight, kZebraDark, kZebraLight};
constexpr std::array<double, 17> kZebraBoundaries = {10.0,  20.0,  30.0,  40.0,  50.0,  60.0,  70.0,  80.0, 90.0,
                                                     100.0, 110.0, 120.0, 130.0, 140.0, 150.0, 160.0, 170.0};

}  // namespace

std::span<const ZORRgba> ZORDefaultRamp() { return kDefaultRamp; }

namespace {

// The presets as published, each of which is listed reversed after them.
std::span<const ZORColorPreset> PublishedPresets() {
  static const ZORColorPreset kPresets[] = {
      {"default", "zorhost's default: blue, cyan, green, yellow, red", kDefaultRamp},
      {"viridis", "perceptually uniform, dark blue to yellow; reads in gray and for color-blind eyes",
       ZORViridisTable(), {}, ZORRampSampling::Matplotlib},
      {"cividis", "perceptually uniform, blue to yellow, made for color-blind eyes",
       ZORCividisTable(), {}, ZORRampSampling::Matplotlib},
      {"magma", "perceptually uniform, black through purple to pale yellow", ZORMagmaTable(), {},
       ZORRampSampling::Matplotlib},
      {"turbo", "a rainbow, dark blue through green to dark red, smoother than most",
       ZORTurboTable(), {}, ZORRampSampling::Matplotlib},
      {"cool-warm", "diverging, blue through gray to red: signed values such as curvature",
       ZORCoolWarmTable(), {}, ZORRampSampling::Matplotlib},
      {"RdBu", "diverging, dark red through white to dark blue (ColorBrewer)", ZORRedBlueTable(), {},
       ZORRampSampling::Matplotlib},
      {"grayscale", "black to white", kGrayRamp},
      {"draft", "draft angles: below 0 (an undercut) red, 0 to 1 degree yellow, 1 to 3 light green, 3 and more green",
       kDraftColors, kDraftBoundaries},
      {"zebra", "isophotes and reflection lines: stripes 10 degrees wide from 0 to 180, dark and light in turn",
       kZebraColors, kZebraBoundaries}};
  return kPresets;
}

// A preset's colors in the other order, named NAME_r; a whole scale keeps its boundaries.
struct ReversedPreset {
  std::string name;
  std::string use;
  std::vector<ZORRgba> anchors;
};

}  // namespace

std::span<const ZORColorPreset> ZORColorPresets() {
  static const std::deque<ReversedPreset> kReversed = [] {
    std::deque<ReversedPreset> reversed;
    for (const ZORColorPreset& preset : PublishedPresets()) {
      reversed.push_back({std::string(preset.name) + "_r", std::string(preset.name) + " reversed",
                          std::vector<ZORRgba>(preset.anchors.rbegin(), preset.anchors.rend())});
    }
    return reversed;
  }();
  static const std::vector<ZORColorPreset> kPresets = [] {
    std::vector<ZORColorPreset> presets(PublishedPresets().begin(), PublishedPresets().end());
    for (std::size_t k = 0; k < kReversed.size(); ++k) {
      presets.push_back({kReversed[k].name.c_str(), kReversed[k].use.c_str(), kReversed[k].anchors,
                         PublishedPresets()[k].boundaries, PublishedPresets()[k].sampling});
    }
    return presets;
  }();
  return kPresets;
}

const ZORColorPreset* ZORFindColorPreset(std::string_view name) {
  for (const ZORColorPreset& preset : ZORColorPresets()) {
    if (name == preset.name) return &preset;
  }
  return nullptr;
}

std::string ZORColorPresetChoices() {
  std::vector<std::string> names;
  for (const ZORColorPreset& preset : ZORColorPresets()) names.emplace_back(preset.name);
  return ZORChoices(names);
}

std::vector<ZORImposedBlockColor> ZORSampleRamp(std::span<const ZORRgba> anchors, int blocks, ZORRampSampling sampling) {
  std::vector<ZORImposedBlockColor> imposed;
  if (anchors.empty() || blocks < 1) return imposed;
  const int count = std::min<int>(blocks, static_cast<int>(anchors.size()));
  const bool asMatplotlib = sampling == ZORRampSampling::Matplotlib;
  for (int j = 0; j < count; ++j) {
    const int position = count == 1 ? 1 : 1 + (j * (blocks - 1) + (count - 1) / 2) / (count - 1);
    const std::size_t anchor =
        count == 1     ? 0
        : asMatplotlib ? MatplotlibEntry(anchors.size(), static_cast<double>(j) / (count - 1))
                       : static_cast<std::size_t>(j * (static_cast<int>(anchors.size()) - 1) / (count - 1));
    imposed.push_back({position, anchors[anchor]});
  }
  bool flat = false;
  for (std::size_t i = 0; i + 1 < imposed.size(); ++i) flat = flat || !StepsBetween(imposed[i], imposed[i + 1]);
  if (!flat || anchors.size() < 2) return imposed;
  imposed.clear();
  for (int k = 1; k <= blocks; ++k) {
    const double t = static_cast<double>(k - 1) / (blocks - 1);
    imposed.push_back({k, asMatplotlib ? anchors[MatplotlibEntry(anchors.size(), t)] : RampAt(anchors, t)});
  }
  return imposed;
}

