// The class object of the color scale factory: what ZORDllGetClassObject hands out, reached
// through its IClassFactory adapter.
#pragma once

#include "zor/ZORBaseUnknown.h"

class ClassObjectZORStColorScaleFactoryImpl : public ZORBaseUnknown {
 public:
  ClassObjectZORStColorScaleFactoryImpl() = default;
  ~ClassObjectZORStColorScaleFactoryImpl() override;
  // The class's meta-class, created on first use.
  static ZORMetaClass* MetaClass();
  ZORMetaClass* GetClassMetaObject() const override;
  const char* IsA() const override;
  int IsAKindOf(const char* name) const override;

  virtual HRESULT CreateInstance(IUnknown* outer, const GUID& iid, void** object);
  virtual HRESULT LockServer(int lock);
};
