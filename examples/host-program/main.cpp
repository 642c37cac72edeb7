// Loads the installed color scale module through the host platform, makes a scale of five blocks
// through its factory, imposes two colors and two boundaries, and prints the colors of some
// values.
#include <array>
#include <cstdio>
#include <memory>
#include <string>

#include "zor/ZORColorScaleInterfaces.h"
#include "zor/ZORHostSession.h"
#include "zor/ZORModuleLibrary.h"

int main() {
  std::string error;
  const std::string path = ZORModuleLibrary::Find("libZORCarColorScale.so", "", error);
  std::unique_ptr<ZORModuleLibrary> module = path.empty() ? nullptr : ZORModuleLibrary::Load(path, error);
  if (!module) {
    std::fprintf(stderr, "color-values: %s\n", error.c_str());
    return 1;
  }
  {
    ZORHostSession session;  // a document to hold the scale's feature
    ZORIStColorScaleFactory* made = nullptr;
    ZORCreateStColorScaleFactory(made);
    ZORIStColorScaleFactory_var factory = ZORIStColorScaleFactory_var::Adopt(made);
    ZORIStNewColorScale_var scale = factory ? factory->CreateColorScale() : nullptr;
    if (!scale) {
      std::fprintf(stderr, "color-values: the module made no color scale\n");
      return 1;
    }
    // Blue for the lowest block, red for the highest, the three between interpolated.
    scale->SetNumberOfBlocks(5);
    ZORRawCollint index, red, green, blue, alpha, types;
    for (auto [block, r, g, b] : {std::array<int, 4>{1, 0, 0, 255}, {5, 255, 0, 0}}) {
      index.Append(block);
      red.Append(r);
      green.Append(g);
      blue.Append(b);
      alpha.Append(255);
      types.Append(0);
    }
    scale->SetColors(2, &index, &red, &green, &blue, &alpha, &types);
    // Boundaries from 0 to 1, with the second one at 0.25 rather than at a third.
    scale->SetExtremeImposedValues(0.0, 1.0);
    scale->SetImposedValue(2, 0.25);
    for (double value : {-1.0, 0.1, 0.25, 0.4, 0.6, 0.9, 2.0}) {
      int r = 0, g = 0, b = 0, a = 0;
      const int block = scale->GetColorForValue(value, &r, &g, &b, &a);
      std::printf("%5.2f  block %d  color %3d %3d %3d %3d\n", value, block, r, g, b, a);
    }
  }
  return 0;
}
