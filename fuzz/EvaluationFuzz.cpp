// Random scales and values through GetColorForValue and through the painter: they must agree on
// every value, result and components.
#include <cfloat>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "fuzz/FuzzSupport.h"
#include "painter/ZORScalePainter.h"
#include "zorhost/common/ModuleHost.h"

namespace {

ZORModuleHost* host = nullptr;

double SomeDouble(ZORFuzzInput& input) {
  static const double kSpecial[] = {0.0, -0.0, 1.0, -1.0, 0.5, 1e-300, DBL_TRUE_MIN, DBL_MAX,
                                    -DBL_MAX, static_cast<double>(FLT_MAX), 1e39, -1e39,
                                    std::numeric_limits<double>::infinity(),
                                    -std::numeric_limits<double>::infinity(),
                                    std::numeric_limits<double>::quiet_NaN(), 2.0};
  const std::uint8_t form = input.Byte();
  if (form < 64) return kSpecial[form % std::size(kSpecial)];
  if (form < 160) return static_cast<double>(input.Take<std::int16_t>()) / 64.0;
  return input.Take<double>();
}

int SomeComponent(ZORFuzzInput& input) {
  const std::uint8_t form = input.Byte();
  if (form < 200) return form;
  return input.Take<int>();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  std::unique_ptr<ZORModuleHost> opened;
  if (ZOROutcome problem = ZORModuleHost::Open(ZOR_MODULE_PATH, opened)) ZORFuzzFinding(problem->message.c_str());
  host = opened.release();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (host == nullptr) LLVMFuzzerInitialize(nullptr, nullptr);
  ZORFuzzInput input(data, size);
  {
    ZORIStNewColorScale_var scale = host->NewScale();
    const int blocks = static_cast<int>(input.Byte() % 14) - 1;
    scale->SetNumberOfBlocks(blocks);
    ZORRawCollint index, red, green, blue, alpha, types;
    for (int k = 1; k <= blocks; ++k) {
      if (input.Byte() % 3 == 0) continue;
      index.Append(k);
      red.Append(SomeComponent(input));
      green.Append(SomeComponent(input));
      blue.Append(SomeComponent(input));
      alpha.Append(SomeComponent(input));
      types.Append(0);
    }
    scale->SetColors(index.Size(), &index, &red, &green, &blue, &alpha, &types);
    ZORRawCollint positions, valueTypes;
    ZORRawColldouble values;
    const int imposed = input.Byte() % 8;
    for (int i = 0; i < imposed; ++i) {
      positions.Append(static_cast<int>(input.Byte() % 14) - 1);
      values.Append(SomeDouble(input));
      valueTypes.Append(0);
    }
    scale->SetImposedValues(imposed, &positions, &values, &valueTypes);
    const std::uint8_t more = input.Byte();
    if (more & 1) scale->SetExtremeImposedValues(SomeDouble(input), SomeDouble(input));
    if (more & 2) {
      const int released[] = {static_cast<int>(input.Byte() % 14) - 1};
      scale->UnsetImposedValues(released, 1);
    }
    if (more & 4) {
      const int released[] = {static_cast<int>(input.Byte() % 14) - 1};
      scale->UnsetImposedColors(released, 1);
    }
    const double tolerance = (more & 8) ? SomeDouble(input) : 1e-9;
    scale->SetTolerance(tolerance);

    const ZORScalePainter painter(scale.get(), tolerance);
    std::vector<double> probes;
    ZORRawColldouble table;
    ZORRawCollint tableIndex;
    scale->GetValueTable(&table, &tableIndex, nullptr, nullptr);
    for (double boundary : table) {
      for (double point : {boundary, boundary + tolerance, boundary - tolerance}) {
        probes.push_back(point);
        probes.push_back(std::nextafter(point, std::numeric_limits<double>::infinity()));
        probes.push_back(std::nextafter(point, -std::numeric_limits<double>::infinity()));
      }
    }
    while (!input.Empty()) probes.push_back(SomeDouble(input));
    std::vector<int> painted(probes.size());
    std::vector<ZORRgba> paintedColors(probes.size(), ZORRgba{-7, -7, -7, -7});
    painter.Paint(probes, painted, paintedColors);
    for (std::size_t i = 0; i < probes.size(); ++i) {
      ZORRgba expected{-7, -7, -7, -7};
      const int block = scale->GetColorForValue(probes[i], &expected.red, &expected.green,
                                                &expected.blue, &expected.alpha);
      if (block != painted[i] || !(expected == paintedColors[i])) {
        std::fprintf(stderr, "value %a: scale %d (%d, %d, %d, %d), painter %d (%d, %d, %d, %d)\n",
                     probes[i], block, expected.red, expected.green, expected.blue,
                     expected.alpha, painted[i], paintedColors[i].red, paintedColors[i].green,
                     paintedColors[i].blue, paintedColors[i].alpha);
        ZORFuzzFinding("the painter and GetColorForValue differ");
      }
    }
  }
  host->NewDocument();
  return 0;
}
