// The host's color scale of the older kind, as host programs make them.
#include <algorithm>

#include "RuntimeInternal.h"
#include "Seam.h"
#include "zor/ZORHostSession.h"

namespace {

class ZORLegacyColorScale final : public ZORIStLegacyColorScale {
 public:
  explicit ZORLegacyColorScale(ZORLegacyScaleData data)
      : data_(std::move(data)), parameters_(data_.blockCount) {}

  ZORMetaClass* GetClassMetaObject() const override {
    static ZORMetaClass* meta = ZORRuntime::HostComponentMeta("ZORLegacyColorScale");
    return meta;
  }

  HRESULT GetLegacyParams(ZORStColorScaleParams** parameters) override {
    if (parameters == nullptr) return E_INVALIDARG;
    *parameters = data_.hasParameters ? &parameters_ : nullptr;
    return *parameters != nullptr ? S_OK : E_FAIL;
  }

  HRESULT GetLegacyScaleArrays(int* blockCount, int** red, int** green, int** blue, int** alpha,
                               int** imposedColorIndices, int* valueCount, double** values,
                               int** imposedValueIndices, int** colorInterpolationTypes,
                               int** valueInterpolationTypes) override {
    if (ZORHostCallFails(ZORHostCall::GetLegacyScaleArrays)) return E_FAIL;
    if (blockCount != nullptr) *blockCount = data_.blockCount;
    if (valueCount != nullptr) {
      *valueCount = data_.values ? static_cast<int>(data_.values->size()) : 0;
    }
    // Every color array holds at least the block count it reports, padded when the data is
    // shorter: a caller may read that many entries.
    const std::size_t blocks = static_cast<std::size_t>(std::max(data_.blockCount, 0));
    const std::size_t valueEntries = data_.values ? data_.values->size() : 0;
    HandOut(red, data_.red, blocks, 0);
    HandOut(green, data_.green, blocks, 0);
    HandOut(blue, data_.blue, blocks, 0);
    HandOut(alpha, data_.alpha, blocks, 0);
    HandOut(imposedColorIndices, data_.imposedColorIndices, blocks, -1);
    HandOut(values, data_.values, valueEntries, 0.0);
    HandOut(imposedValueIndices, data_.imposedValueIndices, valueEntries, -1);
    // This scale keeps no interpolation types.
    if (colorInterpolationTypes != nullptr) *colorInterpolationTypes = nullptr;
    if (valueInterpolationTypes != nullptr) *valueInterpolationTypes = nullptr;
    return S_OK;
  }

 private:
  // A copy of at least `entries` entries, padded with `padding`; the caller owns it and frees
  // it with delete[].
  template <class T>
  static void HandOut(T** out, const std::optional<std::vector<T>>& array, std::size_t entries,
                      T padding) {
    if (out == nullptr) return;
    *out = nullptr;
    if (!array) return;
    const std::size_t size = std::max({array->size(), entries, std::size_t{1}});
    *out = new T[size];
    std::fill(*out, *out + size, padding);
    std::copy(array->begin(), array->end(), *out);
  }

  ZORLegacyScaleData data_;
  ZORStColorScaleParams parameters_;
};

}  // namespace

ZORIStLegacyColorScale_var ZORMakeLegacyColorScale(ZORLegacyScaleData data) {
  return ZORIStLegacyColorScale_var::Adopt(new ZORLegacyColorScale(std::move(data)));
}
