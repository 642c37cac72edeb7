// The module's entry: the registration list in the section "qrnom", the module record built over
// it, the class-object entry and the marker export.
#include <cstring>

#include "registration/Adapters.h"
#include "registration/ClassObject.h"
#include "colorscale/ZORStNewColorScale.h"
#include "factory/ZORStColorScaleFactoryImpl.h"
#include "registration/ModuleExports.h"
#include "zor/ZORRuntime.h"

namespace {

ZOROMModule* RegisterClassObject();
ZOROMModule* RegisterFactory();
ZOROMModule* RegisterColorScale();

// Entry 0 is null; the null after entry 3 lies outside the list.
ZORMODULE_REGISTRATION_SECTION const ZORRegistrationFunction registrationList[] = {
    nullptr,
    &RegisterClassObject,
    &RegisterFactory,
    &RegisterColorScale,
    nullptr,
};

ZOROMModule moduleRecord(ZOROMModuleInfo{&registrationList[0], &registrationList[4]});

ZOROMModule* RegisterClassObject() {
  ZORFillDictionary::Register(ClassObjectZORStColorScaleFactoryImpl::MetaClass(),
                              TIEIClassFactoryClassObjectZORStColorScaleFactoryImpl::MetaObject(),
                              &CreateTIEIClassFactoryClassObjectZORStColorScaleFactoryImpl,
                              nullptr, 1);
  return &moduleRecord;
}

ZOROMModule* RegisterFactory() {
  ZORFillDictionary::Register(ZORStColorScaleFactoryImpl::MetaClass(), ZORIStColorScaleFactory::MetaObject(),
                              &CreateTIEZORIStColorScaleFactoryZORStColorScaleFactoryImpl,
                              nullptr, 1);
  return &moduleRecord;
}

ZOROMModule* RegisterColorScale() {
  ZORFillDictionary::Register(ZORStNewColorScale::MetaClass(), ZORIStNewColorScale::MetaObject(),
                              &CreateTIEZORIStNewColorScaleZORStNewColorScale, nullptr, 1);
  return &moduleRecord;
}

// {E564AF35-9761-43EF-94EF-1F2129A258C7}, in the usual layout.
constexpr GUID kFactoryClassId = {0xE564AF35, 0x9761, 0x43EF,
                                  {0x94, 0xEF, 0x1F, 0x21, 0x29, 0xA2, 0x58, 0xC7}};

bool SameClassId(const GUID& a, const GUID& b) {
  std::uint32_t wordsA[4];
  std::uint32_t wordsB[4];
  std::memcpy(wordsA, &a, sizeof wordsA);
  std::memcpy(wordsB, &b, sizeof wordsB);
  for (int i = 0; i < 4; ++i) {
    if (wordsA[i] != wordsB[i]) return false;
  }
  return true;
}

}  // namespace

extern "C" ZORMODULE_EXPORT HRESULT ZORDllGetClassObject(const GUID& classId, const GUID& iid,
                                                         void** object) {
  if (!SameClassId(classId, kFactoryClassId)) return E_NOTIMPL;
  auto* classObject = new ClassObjectZORStColorScaleFactoryImpl;
  if (classObject == nullptr) return E_OUTOFMEMORY;
  // The query adds the adapter's reference; the class object lives as long as the adapter does.
  HRESULT result = classObject->QueryInterface(iid, object);
  classObject->Release();
  return result;
}

extern "C" ZORMODULE_EXPORT int VANTORIK_MOX2_INTERNAL_ZORCarColorScale() { return 1; }
