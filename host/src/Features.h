// Features, their types and their attribute store; knowledge parameters.
#pragma once

#include <array>
#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "zor/ZORAttributeStore.h"
#include "zor/ZORHostServices.h"

enum class ZORAttributeKind { Integer, Boolean, IntegerList, MemberList };

struct ZORAttributeDefinition {
  std::string name;
  ZORAttributeKind kind;
  std::vector<int> initialValues;  // the value, or the list's members
};

// A feature type of a start-up catalogue: its name, its attributes and their keys.
class ZORFeatureType {
 public:
  ZORFeatureType(std::string name, std::vector<ZORAttributeDefinition> attributes);
  ~ZORFeatureType();
  ZORFeatureType(const ZORFeatureType&) = delete;
  ZORFeatureType& operator=(const ZORFeatureType&) = delete;

  const std::string& Name() const { return name_; }
  ZORMetaClass* Meta() const { return meta_; }
  int AttributeCount() const { return static_cast<int>(attributes_.size()); }
  const ZORAttributeDefinition& Attribute(int slot) const { return attributes_[slot]; }
  ZORSpecAttrKey* Key(int slot) const { return keys_[slot]; }
  // The slot of the named attribute, or -1.
  int SlotOf(const char* name) const;

 private:
  std::string name_;
  ZORMetaClass* meta_;
  std::vector<ZORAttributeDefinition> attributes_;
  std::vector<ZORSpecAttrKey*> keys_;  // one reference each
  // Callers ask for the same few names with the same string literals over and over: the last
  // slot found for a pointer is checked first. Readers on several threads share the entries, so
  // each half is atomic and what a reader sees is confirmed (a slot in range whose name is the
  // text asked for) before it is used: a pointer and a slot from two different writes fail it.
  struct RecentName {
    std::atomic<const char*> pointer{nullptr};
    std::atomic<int> slot{-1};
  };
  mutable std::array<RecentName, 64> recent_{};
};

// Forwards identity and counting to the component it is a part of.
template <class Interface, class Owner>
class ZORFacet : public Interface {
 public:
  explicit ZORFacet(Owner& owner) : Interface(typename Interface::FacetTag{}), owner_(owner) {}

  using ZORBaseUnknown::QueryInterface;
  HRESULT QueryInterface(const GUID& iid, void** object) override {
    return owner_.QueryInterface(iid, object);
  }
  std::uint32_t AddRef() override { return owner_.ZORBaseUnknown::AddRef(); }
  std::uint32_t Release() override { return owner_.ZORBaseUnknown::Release(); }
  ZORMetaClass* GetClassMetaObject() const override { return owner_.GetClassMetaObject(); }

 protected:
  Owner& owner_;
};

class ZORFeature final : public ZORISpecObject {
 public:
  struct AttributeValue {
    ZORAttributeKind kind = ZORAttributeKind::Integer;
    bool defined = true;
    bool hasValue = true;
    int scalar = 0;
    std::vector<int> integers;
    std::vector<ZORISpecObject*> members;  // one reference each
  };

  ZORFeature(std::shared_ptr<const ZORFeatureType> type, ZORDocument* document);
  ~ZORFeature() override;

  HRESULT QueryInterface(const GUID& iid, void** object) override;
  using ZORBaseUnknown::QueryInterface;
  ZORMetaClass* GetClassMetaObject() const override { return type_->Meta(); }
  const char* GetTypeName() override { return type_->Name().c_str(); }

  ZORDocument* Document() const { return document_; }
  void DetachFromDocument() { document_ = nullptr; }
  const ZORFeatureType& Type() const { return *type_; }

  // The defined attribute `key` names on this feature, or null. Called for every read of the
  // store, so it is kept to a few loads.
  AttributeValue* Find(ZORSpecAttrKey* key) {
    if (key == nullptr || key->Type() != type_.get()) return nullptr;
    AttributeValue& attribute = attributes_[static_cast<std::size_t>(key->Slot())];
    return attribute.defined ? &attribute : nullptr;
  }
  AttributeValue* Find(const char* name);
  std::vector<AttributeValue>& Attributes() { return attributes_; }
  // Empties the attribute and marks it without value.
  static void Clear(AttributeValue& attribute);

 private:
  class AttrAccess final : public ZORFacet<ZORISpecAttrAccess, ZORFeature> {
   public:
    using ZORFacet::ZORFacet;
    ZORSpecAttrKey* FindKey(const char* name) override;
    ZORBoolean HasValue(ZORSpecAttrKey* key) override;
    HRESULT SetInteger(ZORSpecAttrKey* key, int value, int position) override;
    HRESULT SetBoolean(ZORSpecAttrKey* key, ZORBoolean value, int position) override;
    HRESULT SetListMember(ZORSpecAttrKey* key, ZORISpecObject* member, int position,
                          ZORBoolean copyMember) override;
    int GetInteger(ZORSpecAttrKey* key, int position) override;
    ZORBoolean GetBoolean(ZORSpecAttrKey* key, int position) override;
    ZORISpecObject* GetListMember(ZORSpecAttrKey* key, int position) override;
    int ListSize(ZORSpecAttrKey* key) override;
    HRESULT RemoveListMember(ZORSpecAttrKey* key, int position) override;
  };

  std::shared_ptr<const ZORFeatureType> type_;
  ZORDocument* document_;
  std::vector<AttributeValue> attributes_;
  AttrAccess attrAccess_{*this};
};

// A knowledge parameter holding a real or an integer value.
class ZORParameter final : public ZORISpecObject {
 public:
  ZORParameter();
  ~ZORParameter() override;

  HRESULT QueryInterface(const GUID& iid, void** object) override;
  using ZORBaseUnknown::QueryInterface;
  ZORMetaClass* GetClassMetaObject() const override;
  const char* GetTypeName() override { return "ZORKnowledgeParameter"; }

  bool HasValue() const { return hasValue_; }
  bool IsInteger() const { return isInteger_; }
  int IntegerValue() const;
  double RealValue() const { return isInteger_ ? static_cast<double>(integer_) : real_; }
  bool IsRemoved() const { return removed_; }
  // Gives the parameter a value, or takes its value away, as a host program restoring it.
  void AssignInteger(int value) { parm_.SetIntegerValue(value); }
  void AssignReal(double value) { parm_.SetRealValue(value); }

 private:
  class Parm final : public ZORFacet<ZORIMekParm, ZORParameter> {
   public:
    using ZORFacet::ZORFacet;
    ZORIMekValue_var Value() override;
    void SetRealValue(double value) override;
    void SetIntegerValue(int value) override;
  };
  class ValueObject final : public ZORFacet<ZORIMekValue, ZORParameter> {
   public:
    using ZORFacet::ZORFacet;
    int AsInteger() override { return owner_.IntegerValue(); }
    double AsReal() override { return owner_.RealValue(); }
  };
  class LifeCycle final : public ZORFacet<LifeCycleObject, ZORParameter> {
   public:
    using ZORFacet::ZORFacet;
    void Remove(int mode) override;
  };

  bool hasValue_ = false;
  bool isInteger_ = false;
  int integer_ = 0;
  double real_ = 0.0;
  bool removed_ = false;
  Parm parm_{*this};
  ValueObject value_{*this};
  LifeCycle lifeCycle_{*this};
};
