// The adapters that bind the module's interfaces to their implementations. Each forwards every
// operation to its implementation and leaves counting and lifetime to the runtime's Tie_*
// functions.
#pragma once

#include "registration/ModuleExports.h"
#include "zor/ZORColorScaleInterfaces.h"
#include "zor/ZORRuntime.h"

class ZORStColorScaleFactoryImpl;
class ZORStNewColorScale;

extern "C" {
ZORMODULE_EXPORT IUnknown* CreateTIEIClassFactoryClassObjectZORStColorScaleFactoryImpl(
    ZORBaseUnknown* implementation, ZORBaseUnknown* secondary);
ZORMODULE_EXPORT IUnknown* CreateTIEZORIStColorScaleFactoryZORStColorScaleFactoryImpl(
    ZORBaseUnknown* implementation, ZORBaseUnknown* secondary);
ZORMODULE_EXPORT IUnknown* CreateTIEZORIStNewColorScaleZORStNewColorScale(
    ZORBaseUnknown* implementation, ZORBaseUnknown* secondary);
}

// Binds IClassFactory to the class object. It keeps its own fields and is allocated with the
// language's plain allocation.
class TIEIClassFactoryClassObjectZORStColorScaleFactoryImpl final : public IClassFactory {
 public:
  ZORMODULE_EXPORT static ZORMetaClass* MetaObject();

  TIEIClassFactoryClassObjectZORStColorScaleFactoryImpl() = default;
  ~TIEIClassFactoryClassObjectZORStColorScaleFactoryImpl() override;
  // Binds the adapter to its implementation through the runtime; a failure leaves it unbound.
  HRESULT Bind(ZORBaseUnknown* implementation, ZORBaseUnknown* secondary);

  HRESULT QueryInterface(const GUID& iid, void** object) override;
  std::uint32_t AddRef() override;
  std::uint32_t Release() override;
  HRESULT CreateInstance(IUnknown* outer, const GUID& iid, void** object) override;
  HRESULT LockServer(int lock) override;

 private:
  ZORBaseUnknown* implementation = nullptr;
  std::int32_t refCount = 1;
  ZORBaseUnknown* secondary = nullptr;

  static ZORBaseUnknown* staticSlot;
};

// Binds ZORIStColorScaleFactory to the factory implementation.
class TIEZORIStColorScaleFactoryZORStColorScaleFactoryImpl final
    : public ZORIStColorScaleFactory {
 public:
  ZORMODULE_EXPORT static ZORMetaClass* MetaObject();

  TIEZORIStColorScaleFactoryZORStColorScaleFactoryImpl() = default;
  ~TIEZORIStColorScaleFactoryZORStColorScaleFactoryImpl() override;
  HRESULT Bind(ZORBaseUnknown* implementation, ZORBaseUnknown* secondary);

  using ZORBaseUnknown::QueryInterface;
  HRESULT QueryInterface(const GUID& iid, void** object) override;
  std::uint32_t AddRef() override;
  std::uint32_t Release() override;
  ZORMetaClass* GetClassMetaObject() const override;

  ZORIStNewColorScale_var CreateColorScale() override;
  HRESULT CreateFromLegacyColorScale(const ZORIStLegacyColorScale_var& legacy,
                                     ZORIStNewColorScale_var& result) override;

 private:
  ZORStColorScaleFactoryImpl* Implementation() const;

  static ZORBaseUnknown* staticSlot;
};

// Binds ZORIStNewColorScale to the color scale extension of a feature.
class TIEZORIStNewColorScaleZORStNewColorScale final : public ZORIStNewColorScale {
 public:
  ZORMODULE_EXPORT static ZORMetaClass* MetaObject();

  TIEZORIStNewColorScaleZORStNewColorScale() = default;
  ~TIEZORIStNewColorScaleZORStNewColorScale() override;
  // Builds the feature's color scale extension when it has none yet.
  HRESULT Bind(ZORBaseUnknown* implementation, ZORBaseUnknown* secondary);

  using ZORBaseUnknown::QueryInterface;
  HRESULT QueryInterface(const GUID& iid, void** object) override;
  std::uint32_t AddRef() override;
  std::uint32_t Release() override;
  ZORMetaClass* GetClassMetaObject() const override;

  HRESULT SetAutoMinMaxOption(int value) override;
  HRESULT GetAutoMinMaxOption(int& value) override;
  HRESULT SetAutoMinMaxStatus(ZORBoolean value) override;
  HRESULT GetAutoMinMaxStatus(ZORBoolean& value) override;
  HRESULT SetAbsoluteExtrema(int value) override;
  HRESULT GetAbsoluteExtrema(int& value) override;
  HRESULT SetGreenIsFlat(int value) override;
  HRESULT GetGreenIsFlat(int& value) override;
  HRESULT SetNumberOfColorsStatus(ZORBoolean value) override;
  HRESULT GetNumberOfColorsStatus(ZORBoolean& value) override;
  HRESULT SetNonlinearScale(int value) override;
  HRESULT GetNonlinearScale(int& value) override;
  HRESULT SetTolerance(double tolerance) override;
  void Reserved() override;
  HRESULT Update() override;
  int SaveToSettings(const ZORUnicodeString& repositoryName) override;
  int LoadFromSettings(const ZORUnicodeString& repositoryName) override;
  void GetOptions(ZORBoolean& nonlinearScale, ZORBoolean& absoluteExtrema,
                  ZORBoolean& greenIsFlat, ZORBoolean& numberOfColorsStatus) override;
  void SetCurvatureLimits(double minNegative, double maxNegative, double minPositive,
                          double maxPositive) override;
  void GetCurvatureLimits(double* minNegative, double* maxNegative, double* minPositive,
                          double* maxPositive) override;
  void SetValueRange(double minimum, double maximum) override;
  ZORBoolean IsStateFlagClear() override;
  int GetScaleDefinition(int* colorCount, int** red, int** green, int** blue, int** alpha,
                         int** imposedColorIndices, int* valueCount, double** values,
                         int** imposedValueIndices, double* minimum, double* maximum) override;
  HRESULT SetColorUndefine(const int& red, const int& green, const int& blue,
                           const int& alpha) override;
  HRESULT GetColorUndefine(int& red, int& green, int& blue, int& alpha) override;
  void SetImposedValue(int position, double value) override;
  void GetIntDoublePair(int* pairInt, double* pairDouble) override;
  void SetIntDoublePair(int* pairInt, double* pairDouble) override;
  void GetFiveInts(int* first, int* second, int* third, int* fourth, int* fifth) override;
  void SetFiveInts(int* first, int* second, int* third, int* fourth, int* fifth) override;
  HRESULT SetNumberOfBlocks(int count) override;
  HRESULT GetNumberOfBlocks(int& count) override;
  HRESULT SetColors(int count, const ZORRawCollint* imposedColorIndices,
                    const ZORRawCollint* red, const ZORRawCollint* green,
                    const ZORRawCollint* blue, const ZORRawCollint* alpha,
                    const ZORRawCollint* interpolationTypes) override;
  HRESULT GetColors(int* count, ZORRawCollint* imposedColorIndices, ZORRawCollint* red,
                    ZORRawCollint* green, ZORRawCollint* blue, ZORRawCollint* alpha,
                    ZORRawCollint* interpolationTypes) override;
  void UnsetImposedColors(const int* positions, int count) override;
  void SetColor(int position, int red, int green, int blue, int alpha) override;
  void GetImposedColorsIndexList(ZORRawCollint* imposedColorIndices) override;
  HRESULT SetImposedValues(int count, const ZORRawCollint* positions,
                           const ZORRawColldouble* values,
                           const ZORRawCollint* interpolationTypes) override;
  HRESULT GetImposedValues(int* count, ZORRawCollint* imposedValueIndices,
                           ZORRawColldouble* values, ZORRawCollint* interpolationTypes) override;
  void UnsetImposedValues(const int* positions, int count) override;
  int SetFirstImposedValue(double value) override;
  int SetLastImposedValue(double value) override;
  void SetExtremeImposedValues(double first, double last) override;
  void GetExtremeImposedValues(double* first, double* last) override;
  void GetValueRange(double* minimum, double* maximum) override;
  void GetColorTable(ZORRawCollint* red, ZORRawCollint* green, ZORRawCollint* blue,
                     ZORRawCollint* alpha, ZORRawCollint* imposedColorIndices) override;
  void GetValueTable(ZORRawColldouble* values, ZORRawCollint* imposedValueIndices,
                     double* minimum, double* maximum) override;
  int GetColorForValue(double value, int* red, int* green, int* blue, int* alpha) override;

 private:
  ZORStNewColorScale* Implementation() const;

  static ZORBaseUnknown* staticSlot;
};
