// The host's color scale of the older kind, as host programs make them.
#include <algorithm>

#include "Faults.h"
#include "RuntimeInternal.h"
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
    ZORFaultPoint("GetLegacyScaleArrays");
    if (blockCount != nullptr) *blockCount = data_.blockCount;
    if (valueCount != nullptr) {
      *valueCount = data_.values ? static_cast<int>(data_.values->size()) : 0;
    }
    HandOut(red, data_.red);
    HandOut(green, data_.green);
    HandOut(blue, data_.blue);
    HandOut(alpha, data_.alpha);
    HandOut(imposedColorIndices, data_.imposedColorIndices);
    HandOut(values, data_.values);
    HandOut(imposedValueIndices, data_.imposedValueIndices);
    // This scale keeps no interpolation types.
    if (colorInterpolationTypes != nullptr) *colorInterpolationTypes = nullptr;
    if (valueInterpolationTypes != nullptr) *valueInterpolationTypes = nullptr;
    return S_OK;
  }

 private:
  // A copy the caller owns and frees with delete[].
  template <class T>
  static void HandOut(T** out, const std::optional<std::vector<T>>& array) {
    if (out == nullptr) return;
    *out = nullptr;
    if (!array) return;
    *out = new T[std::max<std::size_t>(array->size(), 1)];
    std::copy(array->begin(), array->end(), *out);
  }

  ZORLegacyScaleData data_;
  ZORStColorScaleParams parameters_;
};

}  // namespace

ZORIStLegacyColorScale_var ZORMakeLegacyColorScale(ZORLegacyScaleData data) {
  return ZORIStLegacyColorScale_var::Adopt(new ZORLegacyColorScale(std::move(data)));
}
