#include "registration/Adapters.h"

#include <atomic>
#include <new>

#include "colorscale/ZORStNewColorScale.h"
#include "registration/ClassObject.h"
#include "factory/ZORStColorScaleFactoryImpl.h"
#include "zor/ZORMetaClassRows.h"

namespace {

// Module-static adapter meta-objects: each starts null and is filled by its first look-up.
std::atomic<ZORMetaClass*> classFactoryAdapterMeta{nullptr};
std::atomic<ZORMetaClass*> factoryAdapterMeta{nullptr};
std::atomic<ZORMetaClass*> colorScaleAdapterMeta{nullptr};

// clang-format off
constexpr ZORAdapterRow kClassFactoryAdapterRow = {
  &IID_IClassFactory, "IClassFactory", nullptr,
  &ClassObjectZORStColorScaleFactoryImpl::MetaClass, ZORClassAdapter};
constexpr ZORAdapterRow kFactoryAdapterRow = {
  &IID_ZORIStColorScaleFactory, "ZORIStColorScaleFactory", &ZORIStColorScaleFactory::MetaObject,
  &ZORStColorScaleFactoryImpl::MetaClass, ZORClassAdapter};
constexpr ZORAdapterRow kColorScaleAdapterRow = {
  &IID_ZORIStNewColorScale, "ZORIStNewColorScale", &ZORIStNewColorScale::MetaObject,
  &ZORStNewColorScale::MetaClass, ZORClassExtensionAdapter};
// clang-format on

// The class object and the factory exist before their adapters: nothing to create.
ZORBaseUnknown* CreateNothing(ZORBaseUnknown*) { return nullptr; }

// The color scale's instance-creation function: the runtime calls it when a feature's color
// scale extension is first needed.
ZORBaseUnknown* CreateColorScaleInstance(ZORBaseUnknown* feature) {
  return new ZORStNewColorScale(feature);
}

}  // namespace

ZORBaseUnknown* TIEIClassFactoryClassObjectZORStColorScaleFactoryImpl::staticSlot = nullptr;
ZORBaseUnknown* TIEZORIStColorScaleFactoryZORStColorScaleFactoryImpl::staticSlot = nullptr;
ZORBaseUnknown* TIEZORIStNewColorScaleZORStNewColorScale::staticSlot = nullptr;

// ---------------------------------------------------------------------------------------------
// Creation functions

// Each adapter is born with one reference, held by a handle until the runtime has bound it: an
// adapter that cannot be bound, or whose binding throws, is released by the handle.

IUnknown* CreateTIEIClassFactoryClassObjectZORStColorScaleFactoryImpl(
    ZORBaseUnknown* implementation, ZORBaseUnknown* secondary) {
  using Adapter = TIEIClassFactoryClassObjectZORStColorScaleFactoryImpl;
  ZORVar<Adapter> adapter = ZORVar<Adapter>::Adopt(new (std::nothrow) Adapter);
  if (!adapter || FAILED(adapter->Bind(implementation, secondary))) return nullptr;
  return adapter.Detach();
}

IUnknown* CreateTIEZORIStColorScaleFactoryZORStColorScaleFactoryImpl(
    ZORBaseUnknown* implementation, ZORBaseUnknown* secondary) {
  using Adapter = TIEZORIStColorScaleFactoryZORStColorScaleFactoryImpl;
  ZORVar<Adapter> adapter = ZORVar<Adapter>::Adopt(new Adapter);
  if (!adapter || FAILED(adapter->Bind(implementation, secondary))) return nullptr;
  return adapter.Detach();
}

IUnknown* CreateTIEZORIStNewColorScaleZORStNewColorScale(ZORBaseUnknown* implementation,
                                                          ZORBaseUnknown* secondary) {
  if (IUnknown* existing = Tie_Link(implementation, secondary, IID_ZORIStNewColorScale)) {
    return existing;
  }
  using Adapter = TIEZORIStNewColorScaleZORStNewColorScale;
  ZORVar<Adapter> adapter = ZORVar<Adapter>::Adopt(new Adapter);
  // The runtime builds the color scale extension here when the feature has none yet.
  if (!adapter || FAILED(adapter->Bind(implementation, secondary))) return nullptr;
  return adapter.Detach();
}

// ---------------------------------------------------------------------------------------------
// IClassFactory adapter

ZORMetaClass* TIEIClassFactoryClassObjectZORStColorScaleFactoryImpl::MetaObject() {
  return ZORLookUpMetaClass(classFactoryAdapterMeta, kClassFactoryAdapterRow);
}

HRESULT TIEIClassFactoryClassObjectZORStColorScaleFactoryImpl::Bind(
    ZORBaseUnknown* implementationObject, ZORBaseUnknown* secondaryObject) {
  ZORMetaClass* implementationMeta = ClassObjectZORStColorScaleFactoryImpl::MetaClass();
  return Tie_Construct(this, MetaObject(), &implementation, 0, implementationObject,
                       implementationMeta->ClassId(), implementationMeta->TypeOfClass(),
                       staticSlot, &CreateNothing, secondaryObject, &secondary);
}

TIEIClassFactoryClassObjectZORStColorScaleFactoryImpl::
    ~TIEIClassFactoryClassObjectZORStColorScaleFactoryImpl() {
  Tie_Destruct(this, &implementation, MetaObject()->TypeOfClass(), refCount);
}

HRESULT TIEIClassFactoryClassObjectZORStColorScaleFactoryImpl::QueryInterface(const GUID& iid,
                                                                              void** object) {
  return Tie_Query(this, implementation, secondary, MetaObject(), 0, iid, object);
}

std::uint32_t TIEIClassFactoryClassObjectZORStColorScaleFactoryImpl::AddRef() {
  return Tie_AddRef(implementation, MetaObject()->TypeOfClass(), &refCount);
}

std::uint32_t TIEIClassFactoryClassObjectZORStColorScaleFactoryImpl::Release() {
  int destroy = 0;
  std::uint32_t count =
      Tie_Release(&destroy, &implementation, secondary, MetaObject()->TypeOfClass(), &refCount);
  if (destroy != 0) delete this;
  return count;
}

HRESULT TIEIClassFactoryClassObjectZORStColorScaleFactoryImpl::CreateInstance(IUnknown* outer,
                                                                              const GUID& iid,
                                                                              void** object) {
  return static_cast<ClassObjectZORStColorScaleFactoryImpl*>(implementation)
      ->CreateInstance(outer, iid, object);
}

HRESULT TIEIClassFactoryClassObjectZORStColorScaleFactoryImpl::LockServer(int lock) {
  return static_cast<ClassObjectZORStColorScaleFactoryImpl*>(implementation)->LockServer(lock);
}

// ---------------------------------------------------------------------------------------------
// ZORIStColorScaleFactory adapter

ZORMetaClass* TIEZORIStColorScaleFactoryZORStColorScaleFactoryImpl::MetaObject() {
  return ZORLookUpMetaClass(factoryAdapterMeta, kFactoryAdapterRow);
}

HRESULT TIEZORIStColorScaleFactoryZORStColorScaleFactoryImpl::Bind(
    ZORBaseUnknown* implementation, ZORBaseUnknown* secondary) {
  ZORMetaClass* implementationMeta = ZORStColorScaleFactoryImpl::MetaClass();
  return Tie_Construct(this, MetaObject(), implementation, implementationMeta->ClassId(),
                       implementationMeta->TypeOfClass(), staticSlot, &CreateNothing, secondary);
}

TIEZORIStColorScaleFactoryZORStColorScaleFactoryImpl::
    ~TIEZORIStColorScaleFactoryZORStColorScaleFactoryImpl() {
  Tie_Destruct(this, MetaObject()->TypeOfClass());
}

HRESULT TIEZORIStColorScaleFactoryZORStColorScaleFactoryImpl::QueryInterface(const GUID& iid,
                                                                             void** object) {
  return Tie_Query(this, MetaObject(), 1, iid, object);
}

std::uint32_t TIEZORIStColorScaleFactoryZORStColorScaleFactoryImpl::AddRef() {
  return Tie_AddRef(TieImplementation(), MetaObject()->TypeOfClass(), ReferenceCountAddress());
}

std::uint32_t TIEZORIStColorScaleFactoryZORStColorScaleFactoryImpl::Release() {
  int destroy = 0;
  std::uint32_t count = Tie_Release(&destroy, this, MetaObject()->TypeOfClass());
  if (destroy != 0) delete this;
  return count;
}

ZORMetaClass* TIEZORIStColorScaleFactoryZORStColorScaleFactoryImpl::GetClassMetaObject() const {
  return MetaObject();
}

ZORStColorScaleFactoryImpl* TIEZORIStColorScaleFactoryZORStColorScaleFactoryImpl::
    Implementation() const {
  return static_cast<ZORStColorScaleFactoryImpl*>(TieImplementation());
}

ZORIStNewColorScale_var TIEZORIStColorScaleFactoryZORStColorScaleFactoryImpl::CreateColorScale() {
  return Implementation()->CreateColorScale();
}

HRESULT TIEZORIStColorScaleFactoryZORStColorScaleFactoryImpl::CreateFromLegacyColorScale(
    const ZORIStLegacyColorScale_var& legacy, ZORIStNewColorScale_var& result) {
  return Implementation()->CreateFromLegacyColorScale(legacy, result);
}

// ---------------------------------------------------------------------------------------------
// ZORIStNewColorScale adapter

ZORMetaClass* TIEZORIStNewColorScaleZORStNewColorScale::MetaObject() {
  return ZORLookUpMetaClass(colorScaleAdapterMeta, kColorScaleAdapterRow);
}

HRESULT TIEZORIStNewColorScaleZORStNewColorScale::Bind(ZORBaseUnknown* implementation,
                                                       ZORBaseUnknown* secondary) {
  ZORMetaClass* implementationMeta = ZORStNewColorScale::MetaClass();
  return Tie_Construct(this, MetaObject(), implementation, implementationMeta->ClassId(),
                       implementationMeta->TypeOfClass(), staticSlot, &CreateColorScaleInstance,
                       secondary);
}

TIEZORIStNewColorScaleZORStNewColorScale::~TIEZORIStNewColorScaleZORStNewColorScale() {
  Tie_Destruct(this, MetaObject()->TypeOfClass());
}

HRESULT TIEZORIStNewColorScaleZORStNewColorScale::QueryInterface(const GUID& iid,
                                                                 void** object) {
  return Tie_Query(this, MetaObject(), 1, iid, object);
}

std::uint32_t TIEZORIStNewColorScaleZORStNewColorScale::AddRef() {
  return Tie_AddRef(TieImplementation(), MetaObject()->TypeOfClass(), ReferenceCountAddress());
}

std::uint32_t TIEZORIStNewColorScaleZORStNewColorScale::Release() {
  int destroy = 0;
  std::uint32_t count = Tie_Release(&destroy, this, MetaObject()->TypeOfClass());
  if (destroy != 0) delete this;
  return count;
}

ZORMetaClass* TIEZORIStNewColorScaleZORStNewColorScale::GetClassMetaObject() const {
  return MetaObject();
}

ZORStNewColorScale* TIEZORIStNewColorScaleZORStNewColorScale::Implementation() const {
  return static_cast<ZORStNewColorScale*>(TieImplementation());
}

// clang-format off
HRESULT TIEZORIStNewColorScaleZORStNewColorScale::SetAutoMinMaxOption(int value) { return Implementation()->SetAutoMinMaxOption(value); }
HRESULT TIEZORIStNewColorScaleZORStNewColorScale::GetAutoMinMaxOption(int& value) { return Implementation()->GetAutoMinMaxOption(value); }
HRESULT TIEZORIStNewColorScaleZORStNewColorScale::SetAutoMinMaxStatus(ZORBoolean value) { return Implementation()->SetAutoMinMaxStatus(value); }
HRESULT TIEZORIStNewColorScaleZORStNewColorScale::GetAutoMinMaxStatus(ZORBoolean& value) { return Implementation()->GetAutoMinMaxStatus(value); }
HRESULT TIEZORIStNewColorScaleZORStNewColorScale::SetAbsoluteExtrema(int value) { return Implementation()->SetAbsoluteExtrema(value); }
HRESULT TIEZORIStNewColorScaleZORStNewColorScale::GetAbsoluteExtrema(int& value) { return Implementation()->GetAbsoluteExtrema(value); }
HRESULT TIEZORIStNewColorScaleZORStNewColorScale::SetGreenIsFlat(int value) { return Implementation()->SetGreenIsFlat(value); }
HRESULT TIEZORIStNewColorScaleZORStNewColorScale::GetGreenIsFlat(int& value) { return Implementation()->GetGreenIsFlat(value); }
HRESULT TIEZORIStNewColorScaleZORStNewColorScale::SetNumberOfColorsStatus(ZORBoolean value) { return Implementation()->SetNumberOfColorsStatus(value); }
HRESULT TIEZORIStNewColorScaleZORStNewColorScale::GetNumberOfColorsStatus(ZORBoolean& value) { return Implementation()->GetNumberOfColorsStatus(value); }
HRESULT TIEZORIStNewColorScaleZORStNewColorScale::SetNonlinearScale(int value) { return Implementation()->SetNonlinearScale(value); }
HRESULT TIEZORIStNewColorScaleZORStNewColorScale::GetNonlinearScale(int& value) { return Implementation()->GetNonlinearScale(value); }
HRESULT TIEZORIStNewColorScaleZORStNewColorScale::SetTolerance(double tolerance) { return Implementation()->SetTolerance(tolerance); }
void TIEZORIStNewColorScaleZORStNewColorScale::Reserved() { Implementation()->Reserved(); }
HRESULT TIEZORIStNewColorScaleZORStNewColorScale::Update() { return Implementation()->Update(); }
int TIEZORIStNewColorScaleZORStNewColorScale::SaveToSettings(const ZORUnicodeString& repositoryName) { return Implementation()->SaveToSettings(repositoryName); }
int TIEZORIStNewColorScaleZORStNewColorScale::LoadFromSettings(const ZORUnicodeString& repositoryName) { return Implementation()->LoadFromSettings(repositoryName); }
void TIEZORIStNewColorScaleZORStNewColorScale::GetOptions(ZORBoolean& nonlinearScale, ZORBoolean& absoluteExtrema, ZORBoolean& greenIsFlat, ZORBoolean& numberOfColorsStatus) { Implementation()->GetOptions(nonlinearScale, absoluteExtrema, greenIsFlat, numberOfColorsStatus); }
void TIEZORIStNewColorScaleZORStNewColorScale::SetCurvatureLimits(double minNegative, double maxNegative, double minPositive, double maxPositive) { Implementation()->SetCurvatureLimits(minNegative, maxNegative, minPositive, maxPositive); }
void TIEZORIStNewColorScaleZORStNewColorScale::GetCurvatureLimits(double* minNegative, double* maxNegative, double* minPositive, double* maxPositive) { Implementation()->GetCurvatureLimits(minNegative, maxNegative, minPositive, maxPositive); }
void TIEZORIStNewColorScaleZORStNewColorScale::SetValueRange(double minimum, double maximum) { Implementation()->SetValueRange(minimum, maximum); }
ZORBoolean TIEZORIStNewColorScaleZORStNewColorScale::IsStateFlagClear() { return Implementation()->IsStateFlagClear(); }
int TIEZORIStNewColorScaleZORStNewColorScale::GetScaleDefinition(int* colorCount, int** red, int** green, int** blue, int** alpha, int** imposedColorIndices, int* valueCount, double** values, int** imposedValueIndices, double* minimum, double* maximum) { return Implementation()->GetScaleDefinition(colorCount, red, green, blue, alpha, imposedColorIndices, valueCount, values, imposedValueIndices, minimum, maximum); }
HRESULT TIEZORIStNewColorScaleZORStNewColorScale::SetColorUndefine(const int& red, const int& green, const int& blue, const int& alpha) { return Implementation()->SetColorUndefine(red, green, blue, alpha); }
HRESULT TIEZORIStNewColorScaleZORStNewColorScale::GetColorUndefine(int& red, int& green, int& blue, int& alpha) { return Implementation()->GetColorUndefine(red, green, blue, alpha); }
void TIEZORIStNewColorScaleZORStNewColorScale::SetImposedValue(int position, double value) { Implementation()->SetImposedValue(position, value); }
void TIEZORIStNewColorScaleZORStNewColorScale::GetIntDoublePair(int* pairInt, double* pairDouble) { Implementation()->GetIntDoublePair(pairInt, pairDouble); }
void TIEZORIStNewColorScaleZORStNewColorScale::SetIntDoublePair(int* pairInt, double* pairDouble) { Implementation()->SetIntDoublePair(pairInt, pairDouble); }
void TIEZORIStNewColorScaleZORStNewColorScale::GetFiveInts(int* first, int* second, int* third, int* fourth, int* fifth) { Implementation()->GetFiveInts(first, second, third, fourth, fifth); }
void TIEZORIStNewColorScaleZORStNewColorScale::SetFiveInts(int* first, int* second, int* third, int* fourth, int* fifth) { Implementation()->SetFiveInts(first, second, third, fourth, fifth); }
HRESULT TIEZORIStNewColorScaleZORStNewColorScale::SetNumberOfBlocks(int count) { return Implementation()->SetNumberOfBlocks(count); }
HRESULT TIEZORIStNewColorScaleZORStNewColorScale::GetNumberOfBlocks(int& count) { return Implementation()->GetNumberOfBlocks(count); }
HRESULT TIEZORIStNewColorScaleZORStNewColorScale::SetColors(int count, const ZORRawCollint* imposedColorIndices, const ZORRawCollint* red, const ZORRawCollint* green, const ZORRawCollint* blue, const ZORRawCollint* alpha, const ZORRawCollint* interpolationTypes) { return Implementation()->SetColors(count, imposedColorIndices, red, green, blue, alpha, interpolationTypes); }
HRESULT TIEZORIStNewColorScaleZORStNewColorScale::GetColors(int* count, ZORRawCollint* imposedColorIndices, ZORRawCollint* red, ZORRawCollint* green, ZORRawCollint* blue, ZORRawCollint* alpha, ZORRawCollint* interpolationTypes) { return Implementation()->GetColors(count, imposedColorIndices, red, green, blue, alpha, interpolationTypes); }
void TIEZORIStNewColorScaleZORStNewColorScale::UnsetImposedColors(const int* positions, int count) { Implementation()->UnsetImposedColors(positions, count); }
void TIEZORIStNewColorScaleZORStNewColorScale::SetColor(int position, int red, int green, int blue, int alpha) { Implementation()->SetColor(position, red, green, blue, alpha); }
void TIEZORIStNewColorScaleZORStNewColorScale::GetImposedColorsIndexList(ZORRawCollint* imposedColorIndices) { Implementation()->GetImposedColorsIndexList(imposedColorIndices); }
HRESULT TIEZORIStNewColorScaleZORStNewColorScale::SetImposedValues(int count, const ZORRawCollint* positions, const ZORRawColldouble* values, const ZORRawCollint* interpolationTypes) { return Implementation()->SetImposedValues(count, positions, values, interpolationTypes); }
HRESULT TIEZORIStNewColorScaleZORStNewColorScale::GetImposedValues(int* count, ZORRawCollint* imposedValueIndices, ZORRawColldouble* values, ZORRawCollint* interpolationTypes) { return Implementation()->GetImposedValues(count, imposedValueIndices, values, interpolationTypes); }
void TIEZORIStNewColorScaleZORStNewColorScale::UnsetImposedValues(const int* positions, int count) { Implementation()->UnsetImposedValues(positions, count); }
int TIEZORIStNewColorScaleZORStNewColorScale::SetFirstImposedValue(double value) { return Implementation()->SetFirstImposedValue(value); }
int TIEZORIStNewColorScaleZORStNewColorScale::SetLastImposedValue(double value) { return Implementation()->SetLastImposedValue(value); }
void TIEZORIStNewColorScaleZORStNewColorScale::SetExtremeImposedValues(double first, double last) { Implementation()->SetExtremeImposedValues(first, last); }
void TIEZORIStNewColorScaleZORStNewColorScale::GetExtremeImposedValues(double* first, double* last) { Implementation()->GetExtremeImposedValues(first, last); }
void TIEZORIStNewColorScaleZORStNewColorScale::GetValueRange(double* minimum, double* maximum) { Implementation()->GetValueRange(minimum, maximum); }
void TIEZORIStNewColorScaleZORStNewColorScale::GetColorTable(ZORRawCollint* red, ZORRawCollint* green, ZORRawCollint* blue, ZORRawCollint* alpha, ZORRawCollint* imposedColorIndices) { Implementation()->GetColorTable(red, green, blue, alpha, imposedColorIndices); }
void TIEZORIStNewColorScaleZORStNewColorScale::GetValueTable(ZORRawColldouble* values, ZORRawCollint* imposedValueIndices, double* minimum, double* maximum) { Implementation()->GetValueTable(values, imposedValueIndices, minimum, maximum); }
int TIEZORIStNewColorScaleZORStNewColorScale::GetColorForValue(double value, int* red, int* green, int* blue, int* alpha) { return Implementation()->GetColorForValue(value, red, green, blue, alpha); }
// clang-format on
