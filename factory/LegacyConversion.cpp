// A color scale of the host's older kind becomes a new, configured color scale.
#include <memory>

#include "factory/ZORStColorScaleFactoryImpl.h"

namespace {

// The arrays a legacy scale hands out; the caller owns them from then on.
struct LegacyArrays {
  int* red = nullptr;
  int* green = nullptr;
  int* blue = nullptr;
  int* alpha = nullptr;
  int* imposedColorIndices = nullptr;
  double* values = nullptr;
  int* imposedValueIndices = nullptr;

  LegacyArrays() = default;
  LegacyArrays(const LegacyArrays&) = delete;
  LegacyArrays& operator=(const LegacyArrays&) = delete;
  ~LegacyArrays() {
    for (int* array : {red, green, blue, alpha, imposedColorIndices, imposedValueIndices}) {
      delete[] array;
    }
    delete[] values;
  }
  bool Complete() const {
    return red != nullptr && green != nullptr && blue != nullptr && alpha != nullptr &&
           imposedColorIndices != nullptr && values != nullptr && imposedValueIndices != nullptr;
  }
};

constexpr int kNotImposed = -1;

// The 1-based position of a 0-based legacy index among `count` blocks or boundaries. An index
// that names none (INT_MAX, say, whose successor does not exist) is not imposed; the scale would
// skip such a position anyway.
int Position(int index, int count) {
  return index >= 0 && index < count ? index + 1 : kNotImposed;
}

}  // namespace

HRESULT ZORStColorScaleFactoryImpl::CreateFromLegacyColorScale(
    const ZORIStLegacyColorScale_var& legacy, ZORIStNewColorScale_var& result) {
  if (!legacy) return E_INVALIDARG;
  ZORStColorScaleParams* parameters = nullptr;
  legacy->GetLegacyParams(&parameters);
  int valueCount = 9;
  if (parameters == nullptr) return E_FAIL;
  int blockCount = parameters->GetNbBlocks();

  // Released on every path, also when a host call throws.
  LegacyArrays arrays;
  legacy->GetLegacyScaleArrays(&blockCount, &arrays.red, &arrays.green, &arrays.blue,
                               &arrays.alpha, &arrays.imposedColorIndices, &valueCount,
                               &arrays.values, &arrays.imposedValueIndices, nullptr, nullptr);
  // The caller asked for a conversion and got none: that is no success.
  if (!arrays.Complete()) return E_FAIL;

  ZORIStColorScaleFactory* found = nullptr;
  ZORCreateStColorScaleFactory(found);
  ZORIStColorScaleFactory_var factory = ZORIStColorScaleFactory_var::Adopt(found);
  // Without a factory, a scale the caller already holds is left as it was.
  if (!factory) return E_FAIL;
  result = factory->CreateColorScale();
  factory.Reset();
  if (!result) return E_FAIL;

  ZORRawCollint red, green, blue, alpha, colorIndices, colorTypes;
  for (int i = 0; i < blockCount; ++i) {
    red.Append(arrays.red[i]);
    green.Append(arrays.green[i]);
    blue.Append(arrays.blue[i]);
    alpha.Append(arrays.alpha[i]);
    colorIndices.Append(Position(arrays.imposedColorIndices[i], blockCount));
    colorTypes.Append(0);
  }
  ZORRawColldouble values;
  ZORRawCollint valueIndices, valueTypes;
  for (int j = 0; j < valueCount; ++j) {
    const int index = arrays.imposedValueIndices[j];
    if (index == kNotImposed) continue;  // values that are not imposed are dropped
    // Kept even where its index names no boundary: it is still the first or last value.
    values.Append(arrays.values[j]);
    valueIndices.Append(Position(index, blockCount - 1));
    valueTypes.Append(0);
  }
  const int imposedCount = values.Size();

  result->SetNumberOfBlocks(blockCount);
  result->SetColors(blockCount, &colorIndices, &red, &green, &blue, &alpha, &colorTypes);
  result->SetImposedValues(imposedCount, &valueIndices, &values, &valueTypes);
  // With no imposed value there is no first or last one.
  if (imposedCount > 0) result->SetExtremeImposedValues(values[1], values[imposedCount]);
  return S_OK;
}
