// The color scale object: construction, its host bindings, the editor-close subscription and
// the plain values it keeps.
#include "colorscale/ZORStNewColorScale.h"

#include <atomic>

#include "zor/ZORMetaClassRows.h"
#include "zor/ZORRuntime.h"

namespace {

// The color scale extends the feature type "StNewColorScaleFeature".
// clang-format off
constexpr ZORClassRow kColorScaleRow = {
  "ZORStNewColorScale", ZORClassExtension, &ZORBaseUnknown::MetaObject,
  "StNewColorScaleFeature", "ZORClassACoreResources", sizeof(ZORStNewColorScale)};
// clang-format on
std::atomic<ZORMetaClass*> colorScaleMeta{nullptr};

}  // namespace

ZORMetaClass* ZORStNewColorScale::MetaClass() {
  return ZORLookUpMetaClass(colorScaleMeta, kColorScaleRow);
}

ZORStNewColorScale::ZORStNewColorScale(ZORBaseUnknown* feature)
    : ZORBaseUnknown(ExtensionOf{feature}) {
  // The feature's attribute store, through the feature this object extends.
  attrAccess = ZORVar<ZORISpecAttrAccess>(this);
  BindDocument();
  editor = ZORFrmEditor::GetCurrentEditor();
  if (ZORFrmLayout::GetCurrentLayout() != nullptr) {
    closeLayout = ZORFrmLayout::GetCurrentLayout();
    closeCallbackId = AddCallback(this, closeLayout, ZORFrmEditor::EDITOR_CLOSE_ENDED(),
                                  static_cast<ZORCallbackMethod>(&ZORStNewColorScale::OnEditorClose),
                                  nullptr);
  }
  try {
    if (ZORGeoFactory* found = GetGeometricalFactory(nullptr)) {
      ZORVar<ZORGeoFactory> geometricalFactory = ZORVar<ZORGeoFactory>::Adopt(found);
      if (const ZORTolerance* modelTolerance = geometricalFactory->GetToleranceObject()) {
        // A doubtful tolerance is reported and used all the same.
        if (modelTolerance->ErrorIndicator() > 0) ZORToleranceError(modelTolerance);
        tolerance = modelTolerance->ModelTolerance();
      }
    }
  } catch (...) {
    // A half-built object must not stay subscribed.
    EndCloseSubscription();
    throw;
  }
}

ZORStNewColorScale::~ZORStNewColorScale() {
  attrAccess.Reset();
  analysisFactory.Reset();
  settingsRepository = nullptr;
  editor = nullptr;
  // No notification may reach the object once it is gone.
  EndCloseSubscription();
}

ZORMetaClass* ZORStNewColorScale::GetClassMetaObject() const { return MetaClass(); }
const char* ZORStNewColorScale::IsA() const { return MetaClass()->Name(); }
int ZORStNewColorScale::IsAKindOf(const char* name) const {
  return MetaClass()->IsAKindOf(name);
}

void ZORStNewColorScale::BindDocument() {
  ZORISpecObject_var feature(this);
  ZORDocument* document = feature ? GetDocumentFromSpec(feature) : nullptr;
  // An analysis factory once found is kept, even for another document.
  if (document != nullptr && !analysisFactory) {
    analysisFactory = ZORVar<ZORIStDynAnalysisFactory>::Adopt(GetStDynAnalysisFactory(document));
  }
  if (analysisFactory) analysisFactory->SetDocument(document);
}

HRESULT ZORStNewColorScale::Update() {
  if (!attrAccess) attrAccess = ZORVar<ZORISpecAttrAccess>(this);
  BindDocument();
  return S_OK;
}

void ZORStNewColorScale::OnEditorClose(const char*, void* about, ZORNotification*, void*, int) {
  if (about != static_cast<void*>(editor)) return;
  EndCloseSubscription();
}

void ZORStNewColorScale::EndCloseSubscription() {
  // Removed on the layout it was made on: the current layout may have changed since.
  if (closeCallbackId != 0) {
    RemoveCallbacksOn(this, closeLayout, ZORFrmEditor::EDITOR_CLOSE_ENDED(), nullptr);
  }
  closeCallbackId = 0;
  closeLayout = nullptr;
}

HRESULT ZORStNewColorScale::SetTolerance(double value) {
  tolerance = value;
  return S_OK;
}

void ZORStNewColorScale::Reserved() {}

void ZORStNewColorScale::SetCurvatureLimits(double minNegative, double maxNegative,
                                            double minPositive, double maxPositive) {
  minNegativeCrv = minNegative;
  maxNegativeCrv = maxNegative;
  minPositiveCrv = minPositive;
  maxPositiveCrv = maxPositive;
}

void ZORStNewColorScale::GetCurvatureLimits(double* minNegative, double* maxNegative,
                                            double* minPositive, double* maxPositive) {
  *minNegative = minNegativeCrv;
  *maxNegative = maxNegativeCrv;
  *minPositive = minPositiveCrv;
  *maxPositive = maxPositiveCrv;
}

void ZORStNewColorScale::SetValueRange(double minimum, double maximum) {
  valueRangeMin = minimum;
  valueRangeMax = maximum;
}

void ZORStNewColorScale::GetValueRange(double* minimum, double* maximum) {
  *minimum = valueRangeMin;
  *maximum = valueRangeMax;
}

ZORBoolean ZORStNewColorScale::IsStateFlagClear() { return stateFlag == 0 ? ZORTrue : ZORFalse; }

void ZORStNewColorScale::GetIntDoublePair(int* integer, double* real) {
  *integer = pairInt;
  *real = pairDouble;
}

void ZORStNewColorScale::SetIntDoublePair(int* integer, double* real) {
  pairInt = *integer;
  pairDouble = *real;
}

void ZORStNewColorScale::GetFiveInts(int* first, int* second, int* third, int* fourth,
                                     int* fifth) {
  *first = storedInts[0];
  *second = storedInts[1];
  *third = storedInts[2];
  *fourth = storedInts[3];
  *fifth = storedInts[4];
}

void ZORStNewColorScale::SetFiveInts(int* first, int* second, int* third, int* fourth,
                                     int* fifth) {
  storedInts[0] = *first;
  storedInts[1] = *second;
  storedInts[2] = *third;
  storedInts[3] = *fourth;
  storedInts[4] = *fifth;
}
