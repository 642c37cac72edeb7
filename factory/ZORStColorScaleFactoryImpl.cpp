#include "factory/ZORStColorScaleFactoryImpl.h"

#include <atomic>

#include "zor/ZORHostServices.h"
#include "zor/ZORMetaClassRows.h"

namespace {

// clang-format off
constexpr ZORClassRow kFactoryRow = {
  "ZORStColorScaleFactoryImpl", ZORClassImplementation, &ZORBaseUnknown::MetaObject,
  "ZORNull", "ZORClassACoreResources", sizeof(ZORStColorScaleFactoryImpl)};
// clang-format on
std::atomic<ZORMetaClass*> factoryMeta{nullptr};

}  // namespace

ZORMetaClass* ZORStColorScaleFactoryImpl::MetaClass() {
  return ZORLookUpMetaClass(factoryMeta, kFactoryRow);
}

ZORStColorScaleFactoryImpl::~ZORStColorScaleFactoryImpl() = default;

ZORMetaClass* ZORStColorScaleFactoryImpl::GetClassMetaObject() const { return MetaClass(); }
const char* ZORStColorScaleFactoryImpl::IsA() const { return MetaClass()->Name(); }
int ZORStColorScaleFactoryImpl::IsAKindOf(const char* name) const {
  return MetaClass()->IsAKindOf(name);
}

ZORIStNewColorScale_var ZORStColorScaleFactoryImpl::CreateColorScale() {
  ZORIStNewColorScale_var result;
  ZORISpecObject_var feature;
  const ZORUnicodeString catalogueName("ZORStDynAnalysisStartUps.feat");
  {
    ZORIPrtContainer_var container = GetPartContainer(nullptr);
    ZORBaseUnknown_var target;
    if (container) target = container->GetInstantiationTarget();
    if (target) {
      ZOROsmSUHandler handler(ZORUnicodeString(ZORStNewColorScaleFeatureType),
                              ZORUnicodeString(""), catalogueName);
      // Its result is not needed: an empty feature handle says the same.
      handler.Instanciate(feature, target.get(), ZORUnicodeString());
    }
  }  // the target and the container are given back here
  // The feature's color scale extension is built by this query.
  if (feature) result = ZORIStNewColorScale_var(feature);
  return result;
}
