// Interfaces of the color scale components, as the host declares them.
#pragma once

#include "zor/ZORBaseUnknown.h"
#include "zor/ZORRawColl.h"
#include "zor/ZORUnicodeString.h"
#include "zor/ZORVar.h"

extern ZORHOST_API const GUID IID_ZORIStNewColorScale;
extern ZORHOST_API const GUID IID_ZORIStColorScaleFactory;
extern ZORHOST_API const GUID IID_ZORIStLegacyColorScale;
// The class object of the color scale factory, served by the color scale module.
extern ZORHOST_API const GUID CLSID_ZORStColorScaleFactory;

// A color scale: n blocks with n colors, separated by n - 1 boundaries.
class ZORHOST_API ZORIStNewColorScale : public ZORBaseUnknown {
 public:
  static const GUID& InterfaceId() { return IID_ZORIStNewColorScale; }
  static ZORMetaClass* MetaObject();
  ~ZORIStNewColorScale() override;

  virtual HRESULT SetAutoMinMaxOption(int value) = 0;                        // 0
  virtual HRESULT GetAutoMinMaxOption(int& value) = 0;                       // 1
  virtual HRESULT SetAutoMinMaxStatus(ZORBoolean value) = 0;                 // 2
  virtual HRESULT GetAutoMinMaxStatus(ZORBoolean& value) = 0;                // 3
  virtual HRESULT SetAbsoluteExtrema(int value) = 0;                         // 4
  virtual HRESULT GetAbsoluteExtrema(int& value) = 0;                        // 5
  virtual HRESULT SetGreenIsFlat(int value) = 0;                             // 6
  virtual HRESULT GetGreenIsFlat(int& value) = 0;                            // 7
  virtual HRESULT SetNumberOfColorsStatus(ZORBoolean value) = 0;             // 8
  virtual HRESULT GetNumberOfColorsStatus(ZORBoolean& value) = 0;            // 9
  virtual HRESULT SetNonlinearScale(int value) = 0;                          // 10
  virtual HRESULT GetNonlinearScale(int& value) = 0;                         // 11
  virtual HRESULT SetTolerance(double tolerance) = 0;                        // 12
  virtual void Reserved() = 0;                                               // 13
  virtual HRESULT Update() = 0;                                              // 14
  virtual int SaveToSettings(const ZORUnicodeString& repositoryName) = 0;    // 15
  virtual int LoadFromSettings(const ZORUnicodeString& repositoryName) = 0;  // 16
  virtual void GetOptions(ZORBoolean& nonlinearScale, ZORBoolean& absoluteExtrema,
                          ZORBoolean& greenIsFlat, ZORBoolean& numberOfColorsStatus) = 0;  // 17
  virtual void SetCurvatureLimits(double minNegative, double maxNegative, double minPositive,
                                  double maxPositive) = 0;  // 18
  virtual void GetCurvatureLimits(double* minNegative, double* maxNegative, double* minPositive,
                                  double* maxPositive) = 0;  // 19
  virtual void SetValueRange(double minimum, double maximum) = 0;  // 20
  virtual ZORBoolean IsStateFlagClear() = 0;                        // 21
  virtual int GetScaleDefinition(int* colorCount, int** red, int** green, int** blue,
                                 int** alpha, int** imposedColorIndices, int* valueCount,
                                 double** values, int** imposedValueIndices, double* minimum,
                                 double* maximum) = 0;  // 22
  virtual HRESULT SetColorUndefine(const int& red, const int& green, const int& blue,
                                   const int& alpha) = 0;  // 23
  virtual HRESULT GetColorUndefine(int& red, int& green, int& blue, int& alpha) = 0;  // 24
  virtual void SetImposedValue(int position, double value) = 0;                      // 25
  virtual void GetIntDoublePair(int* pairInt, double* pairDouble) = 0;               // 26
  virtual void SetIntDoublePair(int* pairInt, double* pairDouble) = 0;               // 27
  virtual void GetFiveInts(int* first, int* second, int* third, int* fourth,
                           int* fifth) = 0;  // 28
  virtual void SetFiveInts(int* first, int* second, int* third, int* fourth,
                           int* fifth) = 0;  // 29
  virtual HRESULT SetNumberOfBlocks(int count) = 0;   // 30
  virtual HRESULT GetNumberOfBlocks(int& count) = 0;  // 31
  virtual HRESULT SetColors(int count, const ZORRawCollint* imposedColorIndices,
                            const ZORRawCollint* red, const ZORRawCollint* green,
                            const ZORRawCollint* blue, const ZORRawCollint* alpha,
                            const ZORRawCollint* interpolationTypes) = 0;  // 32
  virtual HRESULT GetColors(int* count, ZORRawCollint* imposedColorIndices, ZORRawCollint* red,
                            ZORRawCollint* green, ZORRawCollint* blue, ZORRawCollint* alpha,
                            ZORRawCollint* interpolationTypes) = 0;  // 33
  virtual void UnsetImposedColors(const int* positions, int count) = 0;           // 34
  virtual void SetColor(int position, int red, int green, int blue, int alpha) = 0;  // 35
  virtual void GetImposedColorsIndexList(ZORRawCollint* imposedColorIndices) = 0;  // 36
  virtual HRESULT SetImposedValues(int count, const ZORRawCollint* positions,
                                   const ZORRawColldouble* values,
                                   const ZORRawCollint* interpolationTypes) = 0;  // 37
  virtual HRESULT GetImposedValues(int* count, ZORRawCollint* imposedValueIndices,
                                   ZORRawColldouble* values,
                                   ZORRawCollint* interpolationTypes) = 0;  // 38
  virtual void UnsetImposedValues(const int* positions, int count) = 0;  // 39
  virtual int SetFirstImposedValue(double value) = 0;                    // 40
  virtual int SetLastImposedValue(double value) = 0;                     // 41
  virtual void SetExtremeImposedValues(double first, double last) = 0;   // 42
  virtual void GetExtremeImposedValues(double* first, double* last) = 0;  // 43
  virtual void GetValueRange(double* minimum, double* maximum) = 0;      // 44
  virtual void GetColorTable(ZORRawCollint* red, ZORRawCollint* green, ZORRawCollint* blue,
                             ZORRawCollint* alpha, ZORRawCollint* imposedColorIndices) = 0;  // 45
  virtual void GetValueTable(ZORRawColldouble* values, ZORRawCollint* imposedValueIndices,
                             double* minimum, double* maximum) = 0;  // 46
  virtual int GetColorForValue(double value, int* red, int* green, int* blue,
                               int* alpha) = 0;  // 47
};
using ZORIStNewColorScale_var = ZORVar<ZORIStNewColorScale>;

// The block count of a legacy color scale.
class ZORHOST_API ZORStColorScaleParams {
 public:
  explicit ZORStColorScaleParams(int blockCount) : blockCount_(blockCount) {}
  int GetNbBlocks() const { return blockCount_; }

 private:
  int blockCount_;
};

// A color scale of the host's older kind.
class ZORHOST_API ZORIStLegacyColorScale : public ZORBaseUnknown {
 public:
  static const GUID& InterfaceId() { return IID_ZORIStLegacyColorScale; }
  ~ZORIStLegacyColorScale() override;

  // The scale's parameter object (owned by the scale), or null.
  virtual HRESULT GetLegacyParams(ZORStColorScaleParams** parameters) = 0;
  // Hands out the scale as arrays allocated with new[]; the caller owns them afterwards and
  // frees each with delete[]. An array the scale does not have stays null. The counts are in and
  // out: the caller says how many it expects, the scale says how many it gave. The two last
  // outputs (interpolation types) are handed out only where the caller passes an address.
  virtual HRESULT GetLegacyScaleArrays(int* blockCount, int** red, int** green, int** blue,
                                       int** alpha, int** imposedColorIndices, int* valueCount,
                                       double** values, int** imposedValueIndices,
                                       int** colorInterpolationTypes,
                                       int** valueInterpolationTypes) = 0;
};
using ZORIStLegacyColorScale_var = ZORVar<ZORIStLegacyColorScale>;

// Makes color scales.
class ZORHOST_API ZORIStColorScaleFactory : public ZORBaseUnknown {
 public:
  static const GUID& InterfaceId() { return IID_ZORIStColorScaleFactory; }
  static ZORMetaClass* MetaObject();
  ~ZORIStColorScaleFactory() override;

  virtual ZORIStNewColorScale_var CreateColorScale() = 0;
  virtual HRESULT CreateFromLegacyColorScale(const ZORIStLegacyColorScale_var& legacy,
                                             ZORIStNewColorScale_var& result) = 0;
};
using ZORIStColorScaleFactory_var = ZORVar<ZORIStColorScaleFactory>;

// A new color scale factory with one reference for the caller, reached through the loaded color
// scale module; `factory` stays null when no loaded module serves one.
ZORHOST_API HRESULT ZORCreateStColorScaleFactory(ZORIStColorScaleFactory*& factory);
