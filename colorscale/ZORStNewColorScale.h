// The color scale: an extension of a "StNewColorScaleFeature" feature. Its options, colors and
// boundary values live in the feature's attributes and are read afresh by every operation; the
// object itself keeps only its host bindings and a few plain values.
#pragma once

#include "zor/ZORColorScaleRecord.h"
#include "zor/ZORAttributeStore.h"
#include "zor/ZORColorScaleInterfaces.h"
#include "zor/ZORHostServices.h"

class ZORSettingRepository;

class ZORStNewColorScale : public ZORBaseUnknown {
 public:
  static constexpr int kMaximumBlockCount = ZORSettingsRecord::kMaximumBlockCount;

  // The color scale extension of `feature`.
  explicit ZORStNewColorScale(ZORBaseUnknown* feature);
  ~ZORStNewColorScale() override;
  // The class's meta-class, created on first use.
  static ZORMetaClass* MetaClass();
  ZORMetaClass* GetClassMetaObject() const override;
  const char* IsA() const override;
  int IsAKindOf(const char* name) const override;

  // Options (each in one attribute of the feature).
  HRESULT SetAutoMinMaxOption(int value);
  HRESULT GetAutoMinMaxOption(int& value);
  HRESULT SetAutoMinMaxStatus(ZORBoolean value);
  HRESULT GetAutoMinMaxStatus(ZORBoolean& value);
  HRESULT SetAbsoluteExtrema(int value);
  HRESULT GetAbsoluteExtrema(int& value);
  HRESULT SetGreenIsFlat(int value);
  HRESULT GetGreenIsFlat(int& value);
  HRESULT SetNumberOfColorsStatus(ZORBoolean value);
  HRESULT GetNumberOfColorsStatus(ZORBoolean& value);
  HRESULT SetNonlinearScale(int value);
  HRESULT GetNonlinearScale(int& value);
  void GetOptions(ZORBoolean& nonlinearScale, ZORBoolean& absoluteExtrema,
                  ZORBoolean& greenIsFlat, ZORBoolean& numberOfColorsStatus);
  HRESULT SetColorUndefine(const int& red, const int& green, const int& blue, const int& alpha);
  HRESULT GetColorUndefine(int& red, int& green, int& blue, int& alpha);
  HRESULT GetNumberOfBlocks(int& count);

  // Plain values kept by the object.
  HRESULT SetTolerance(double value);
  void Reserved();
  HRESULT Update();
  void SetCurvatureLimits(double minNegative, double maxNegative, double minPositive,
                          double maxPositive);
  void GetCurvatureLimits(double* minNegative, double* maxNegative, double* minPositive,
                          double* maxPositive);
  void SetValueRange(double minimum, double maximum);
  void GetValueRange(double* minimum, double* maximum);
  ZORBoolean IsStateFlagClear();
  void GetIntDoublePair(int* integer, double* real);
  void SetIntDoublePair(int* integer, double* real);
  void GetFiveInts(int* first, int* second, int* third, int* fourth, int* fifth);
  void SetFiveInts(int* first, int* second, int* third, int* fourth, int* fifth);

  // The shape of the scale.
  HRESULT SetNumberOfBlocks(int count);

  // Colors, one per block.
  HRESULT SetColors(int count, const ZORRawCollint* imposedColorIndices, const ZORRawCollint* red,
                    const ZORRawCollint* green, const ZORRawCollint* blue,
                    const ZORRawCollint* alpha, const ZORRawCollint* interpolationTypes);
  HRESULT GetColors(int* count, ZORRawCollint* imposedColorIndices, ZORRawCollint* red,
                    ZORRawCollint* green, ZORRawCollint* blue, ZORRawCollint* alpha,
                    ZORRawCollint* interpolationTypes);
  void UnsetImposedColors(const int* positions, int count);
  void SetColor(int position, int red, int green, int blue, int alpha);
  void GetImposedColorsIndexList(ZORRawCollint* imposedColorIndices);
  void GetColorTable(ZORRawCollint* red, ZORRawCollint* green, ZORRawCollint* blue,
                     ZORRawCollint* alpha, ZORRawCollint* imposedColorIndices);

  // Boundary values, one between each two blocks.
  void SetImposedValue(int position, double value);
  HRESULT SetImposedValues(int count, const ZORRawCollint* positions,
                           const ZORRawColldouble* values, const ZORRawCollint* interpolationTypes);
  HRESULT GetImposedValues(int* count, ZORRawCollint* imposedValueIndices,
                           ZORRawColldouble* values, ZORRawCollint* interpolationTypes);
  void UnsetImposedValues(const int* positions, int count);
  int SetFirstImposedValue(double value);
  int SetLastImposedValue(double value);
  void SetExtremeImposedValues(double first, double last);
  void GetExtremeImposedValues(double* first, double* last);
  void GetValueTable(ZORRawColldouble* values, ZORRawCollint* imposedValueIndices,
                     double* minimum, double* maximum);

  // The scale at work.
  int GetColorForValue(double value, int* red, int* green, int* blue, int* alpha);
  int GetScaleDefinition(int* colorCount, int** red, int** green, int** blue, int** alpha,
                         int** imposedColorIndices, int* valueCount, double** values,
                         int** imposedValueIndices, double* minimum, double* maximum);

  // Settings repositories.
  int SaveToSettings(const ZORUnicodeString& repositoryName);
  int LoadFromSettings(const ZORUnicodeString& repositoryName);

  // Called by the host when an editor has closed.
  void OnEditorClose(const char* eventName, void* about, ZORNotification* notification,
                     void* clientData, int id);

 private:
  void ResizeColorLists();
  void ResizeValueLists();
  enum class ListEnd { First, Last };
  // Imposes the first or the last boundary; 1 when its index entry was written.
  int SetEndImposedValue(ListEnd end, double value);
  // Binds to the feature's document: finds the analysis factory and hands it the document.
  void BindDocument();
  void EndCloseSubscription();

  ZORFrmEditor* editor = nullptr;  // not owned
  int closeCallbackId = 0;         // 0: not subscribed
  ZORFrmLayout* closeLayout = nullptr;  // where the subscription was made; not owned
  ZORSettingRepository* settingsRepository = nullptr;  // not owned
  int stateFlag = 0;
  int storedInts[5] = {0, 0, 0, 0, 0};
  int pairInt = 0;
  int undefineColorStaging[4] = {255, 255, 255, 0};
  double pairDouble = 0.0;
  ZORVar<ZORIStDynAnalysisFactory> analysisFactory;
  ZORVar<ZORISpecAttrAccess> attrAccess;
  double valueRangeMin = -ZORMathInfinite;
  double valueRangeMax = ZORMathInfinite;
  double tolerance = 0.0;
  double minNegativeCrv = -ZORMathInfinite;
  double maxNegativeCrv = ZORMathInfinite;
  double minPositiveCrv = ZORMathInfinite;
  double maxPositiveCrv = -ZORMathInfinite;
};
