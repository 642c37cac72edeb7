#include "registration/ClassObject.h"

#include "factory/ZORStColorScaleFactoryImpl.h"
#include "registration/MetaClasses.h"

ClassObjectZORStColorScaleFactoryImpl::~ClassObjectZORStColorScaleFactoryImpl() = default;

ZORMetaClass* ClassObjectZORStColorScaleFactoryImpl::GetClassMetaObject() const {
  return ClassObjectMetaClass();
}
const char* ClassObjectZORStColorScaleFactoryImpl::IsA() const {
  return ClassObjectMetaClass()->Name();
}
int ClassObjectZORStColorScaleFactoryImpl::IsAKindOf(const char* name) const {
  return ClassObjectMetaClass()->IsAKindOf(name);
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
