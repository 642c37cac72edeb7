// Features and their attribute store: keyed, typed attributes reached through
// ZORISpecAttrAccess, knowledge parameters as list members.
#pragma once

#include "zor/ZORBaseUnknown.h"
#include "zor/ZORVar.h"

extern ZORHOST_API const GUID IID_ZORISpecObject;
extern ZORHOST_API const GUID IID_ZORISpecAttrAccess;
extern ZORHOST_API const GUID IID_ZORIMekParm;
extern ZORHOST_API const GUID IID_ZORIMekValue;
extern ZORHOST_API const GUID IID_LifeCycleObject;

// A feature of a document.
class ZORHOST_API ZORISpecObject : public ZORBaseUnknown {
 public:
  static const GUID& InterfaceId() { return IID_ZORISpecObject; }
  static ZORMetaClass* MetaObject();
  ~ZORISpecObject() override;

  // The name of the feature's type.
  virtual const char* GetTypeName() = 0;

 protected:
  ZORISpecObject() = default;
  explicit ZORISpecObject(FacetTag tag) : ZORBaseUnknown(tag) {}
};
using ZORISpecObject_var = ZORVar<ZORISpecObject>;

// Names one attribute of a feature type. Handed out with a reference by FindKey.
class ZORFeatureType;
class ZORHOST_API ZORSpecAttrKey : public ZORBaseUnknown {
 public:
  ~ZORSpecAttrKey() override;
  ZORMetaClass* GetClassMetaObject() const override;
  const char* Name() const;
  const ZORFeatureType* Type() const { return type_; }
  int Slot() const { return slot_; }

 private:
  friend class ZORFeatureType;
  ZORSpecAttrKey(const ZORFeatureType* type, int slot) : type_(type), slot_(slot) {}

  const ZORFeatureType* type_;
  int slot_;
};
using ZORSpecAttrKey_var = ZORVar<ZORSpecAttrKey>;

// The attribute store of a feature. Position 0 addresses a single-valued attribute, positions
// 1 to length address list members, and length+1 appends one. A write at any other position
// leaves the attribute as it was and returns E_INVALIDARG.
class ZORHOST_API ZORISpecAttrAccess : public ZORBaseUnknown {
 public:
  static const GUID& InterfaceId() { return IID_ZORISpecAttrAccess; }
  static ZORMetaClass* MetaObject();
  ~ZORISpecAttrAccess() override;

  // The key of the named attribute with one reference for the caller, or null when the feature
  // has no such attribute.
  virtual ZORSpecAttrKey* FindKey(const char* name) = 0;
  virtual ZORBoolean HasValue(ZORSpecAttrKey* key) = 0;
  virtual HRESULT SetInteger(ZORSpecAttrKey* key, int value, int position) = 0;
  virtual HRESULT SetBoolean(ZORSpecAttrKey* key, ZORBoolean value, int position) = 0;
  // `copyMember` is reserved: the store always attaches the member itself.
  virtual HRESULT SetListMember(ZORSpecAttrKey* key, ZORISpecObject* member, int position,
                                ZORBoolean copyMember) = 0;
  // 0 for a position, kind or attribute that has no integer.
  virtual int GetInteger(ZORSpecAttrKey* key, int position) = 0;
  virtual ZORBoolean GetBoolean(ZORSpecAttrKey* key, int position) = 0;
  // The member with one reference for the caller, or null.
  virtual ZORISpecObject* GetListMember(ZORSpecAttrKey* key, int position) = 0;
  virtual int ListSize(ZORSpecAttrKey* key) = 0;
  virtual HRESULT RemoveListMember(ZORSpecAttrKey* key, int position) = 0;

 protected:
  explicit ZORISpecAttrAccess(FacetTag tag) : ZORBaseUnknown(tag) {}
};

// The value of a knowledge parameter.
class ZORHOST_API ZORIMekValue : public ZORBaseUnknown {
 public:
  static const GUID& InterfaceId() { return IID_ZORIMekValue; }
  ~ZORIMekValue() override;
  // A real value is truncated toward zero and saturated to the int range; not a number gives 0.
  virtual int AsInteger() = 0;
  virtual double AsReal() = 0;

 protected:
  explicit ZORIMekValue(FacetTag tag) : ZORBaseUnknown(tag) {}
};
using ZORIMekValue_var = ZORVar<ZORIMekValue>;

// A knowledge parameter.
class ZORHOST_API ZORIMekParm : public ZORBaseUnknown {
 public:
  static const GUID& InterfaceId() { return IID_ZORIMekParm; }
  ~ZORIMekParm() override;
  // Empty while the parameter has no value.
  virtual ZORIMekValue_var Value() = 0;
  virtual void SetRealValue(double value) = 0;
  virtual void SetIntegerValue(int value) = 0;

 protected:
  explicit ZORIMekParm(FacetTag tag) : ZORBaseUnknown(tag) {}
};
using ZORIMekParm_var = ZORVar<ZORIMekParm>;

class ZORHOST_API LifeCycleObject : public ZORBaseUnknown {
 public:
  static const GUID& InterfaceId() { return IID_LifeCycleObject; }
  ~LifeCycleObject() override;
  // Deletes the object from its document.
  virtual void Remove(int mode) = 0;

 protected:
  explicit LifeCycleObject(FacetTag tag) : ZORBaseUnknown(tag) {}
};
using LifeCycleObject_var = ZORVar<LifeCycleObject>;
