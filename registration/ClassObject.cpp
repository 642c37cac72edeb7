#include "registration/ClassObject.h"

#include <atomic>

#include "factory/ZORStColorScaleFactoryImpl.h"
#include "zor/ZORMetaClassRows.h"

namespace {

// The placeholder's case differs from the factory's ("ZorNull", "ZORNull"), as registered.
// clang-format off
constexpr ZORClassRow kClassObjectRow = {
  "ClassObjectZORStColorScaleFactoryImpl", ZORClassImplementation, nullptr,
  "ZorNull", "ZORClassACoreResources", sizeof(ClassObjectZORStColorScaleFactoryImpl)};
// clang-format on
std::atomic<ZORMetaClass*> classObjectMeta{nullptr};

}  // namespace

ZORMetaClass* ClassObjectZORStColorScaleFactoryImpl::MetaClass() {
  return ZORLookUpMetaClass(classObjectMeta, kClassObjectRow);
}

ClassObjectZORStColorScaleFactoryImpl::~ClassObjectZORStColorScaleFactoryImpl() = default;

ZORMetaClass* ClassObjectZORStColorScaleFactoryImpl::GetClassMetaObject() const {
  return MetaClass();
}
const char* ClassObjectZORStColorScaleFactoryImpl::IsA() const {
  return MetaClass()->Name();
}
int ClassObjectZORStColorScaleFactoryImpl::IsAKindOf(const char* name) const {
  return MetaClass()->IsAKindOf(name);
}

HRESULT ClassObjectZORStColorScaleFactoryImpl::CreateInstance(IUnknown* outer, const GUID& iid,
                                                              void** object) {
  if (outer != nullptr) return CLASS_E_NOAGGREGATION;
  auto* factory = new ZORStColorScaleFactoryImpl;
  if (factory == nullptr) return E_OUTOFMEMORY;
  // The query adds the adapter's reference; the factory lives as long as the adapter does.
  HRESULT result = factory->QueryInterface(iid, object);
  factory->Release();
  return result;
}

HRESULT ClassObjectZORStColorScaleFactoryImpl::LockServer(int) { return S_OK; }
