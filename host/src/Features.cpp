// Features and their attribute store; knowledge parameters.
#include "Features.h"

#include <cmath>
#include <cstring>
#include <string>

#include "RuntimeInternal.h"
#include "Seam.h"

namespace {

// Hands a write or removal of the store to the seam, when one wants them.
void LogStoreCall(const char* operation, const ZORSpecAttrKey* key, int position,
                  const std::string& value = {}) {
  ZORHostSeam* seam = ZORSeam::Installed();
  if (seam == nullptr || !seam->RecordsStoreCalls()) return;
  std::string line = std::string(operation) + " " + key->Name() + " " + std::to_string(position);
  if (!value.empty()) line += " " + value;
  seam->StoreCall(std::move(line));
}

bool IsList(ZORAttributeKind kind) {
  return kind == ZORAttributeKind::IntegerList || kind == ZORAttributeKind::MemberList;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Feature types and keys

ZORSpecAttrKey::~ZORSpecAttrKey() = default;
ZORMetaClass* ZORSpecAttrKey::GetClassMetaObject() const {
  static ZORMetaClass* meta = ZORRuntime::HostComponentMeta("ZORSpecAttrKey");
  return meta;
}
const char* ZORSpecAttrKey::Name() const { return type_->Attribute(slot_).name.c_str(); }

ZORFeatureType::ZORFeatureType(std::string name, std::vector<ZORAttributeDefinition> attributes)
    : name_(std::move(name)),
      meta_(ZORRuntime::HostClassMeta(name_.c_str(), ZORClassComponentType,
                                      ZORISpecObject::MetaObject())),
      attributes_(std::move(attributes)) {
  for (int slot = 0; slot < AttributeCount(); ++slot) {
    keys_.push_back(new ZORSpecAttrKey(this, slot));
  }
}

ZORFeatureType::~ZORFeatureType() {
  for (ZORSpecAttrKey* key : keys_) key->Release();
}

int ZORFeatureType::SlotOf(const char* name) const {
  if (name == nullptr) return -1;
  RecentName& recent = recent_[(reinterpret_cast<std::uintptr_t>(name) >> 3) % recent_.size()];
  const int cached = recent.slot.load(std::memory_order_relaxed);
  if (recent.pointer.load(std::memory_order_relaxed) == name && cached >= 0 &&
      cached < AttributeCount() &&
      std::strcmp(name, attributes_[static_cast<std::size_t>(cached)].name.c_str()) == 0) {
    return cached;
  }
  for (int slot = 0; slot < AttributeCount(); ++slot) {
    if (std::strcmp(name, attributes_[static_cast<std::size_t>(slot)].name.c_str()) == 0) {
      recent.slot.store(slot, std::memory_order_relaxed);
      recent.pointer.store(name, std::memory_order_relaxed);
      return slot;
    }
  }
  return -1;
}

// ---------------------------------------------------------------------------------------------
// Features

ZORFeature::ZORFeature(std::shared_ptr<const ZORFeatureType> type, ZORDocument* document)
    : type_(std::move(type)), document_(document) {
  attributes_.resize(static_cast<std::size_t>(type_->AttributeCount()));
  for (int slot = 0; slot < type_->AttributeCount(); ++slot) {
    const ZORAttributeDefinition& definition = type_->Attribute(slot);
    AttributeValue& value = attributes_[static_cast<std::size_t>(slot)];
    value.kind = definition.kind;
    if (definition.kind == ZORAttributeKind::IntegerList) {
      value.integers = definition.initialValues;
    } else if (!definition.initialValues.empty() && !IsList(definition.kind)) {
      value.scalar = definition.initialValues.front();
    }
  }
}

ZORFeature::~ZORFeature() {
  for (AttributeValue& attribute : attributes_) Clear(attribute);
}

HRESULT ZORFeature::QueryInterface(const GUID& iid, void** object) {
  if (object == nullptr) return E_INVALIDARG;
  if (iid == IID_ZORISpecObject) {
    ZORBaseUnknown::AddRef();
    *object = static_cast<ZORISpecObject*>(this);
    return S_OK;
  }
  if (iid == IID_ZORISpecAttrAccess) {
    if (ZORHostCallFails(ZORHostCall::QueryAttributeStore)) return E_NOINTERFACE;
    ZORBaseUnknown::AddRef();
    *object = static_cast<ZORISpecAttrAccess*>(&attrAccess_);
    return S_OK;
  }
  return ZORBaseUnknown::QueryInterface(iid, object);
}

ZORFeature::AttributeValue* ZORFeature::Find(const char* name) {
  int slot = type_->SlotOf(name);
  return slot < 0 ? nullptr : Find(type_->Key(slot));
}

void ZORFeature::Clear(AttributeValue& attribute) {
  attribute.hasValue = false;
  attribute.scalar = 0;
  attribute.integers.clear();
  for (ZORISpecObject* member : attribute.members) member->Release();
  attribute.members.clear();
}

ZORSpecAttrKey* ZORFeature::AttrAccess::FindKey(const char* name) {
  if (ZORHostCallFails(ZORHostCall::FindKey, name)) return nullptr;
  int slot = owner_.type_->SlotOf(name);
  if (slot < 0 || !owner_.attributes_[static_cast<std::size_t>(slot)].defined) return nullptr;
  ZORSpecAttrKey* key = owner_.type_->Key(slot);
  key->ZORBaseUnknown::AddRef();
  return key;
}

ZORBoolean ZORFeature::AttrAccess::HasValue(ZORSpecAttrKey* key) {
  AttributeValue* attribute = owner_.Find(key);
  return attribute != nullptr && attribute->hasValue ? ZORTrue : ZORFalse;
}

HRESULT ZORFeature::AttrAccess::SetInteger(ZORSpecAttrKey* key, int value, int position) {
  AttributeValue* attribute = owner_.Find(key);
  if (attribute == nullptr) return E_INVALIDARG;
  ZORAttributeKind kind = attribute->kind;
  if (kind == ZORAttributeKind::Integer && position == 0) {
    attribute->scalar = value;
  } else if (kind == ZORAttributeKind::IntegerList) {
    std::vector<int>& list = attribute->integers;
    if (!attribute->hasValue) list.clear();
    if (position >= 1 && position <= static_cast<int>(list.size())) {
      list[static_cast<std::size_t>(position - 1)] = value;
    } else if (position == static_cast<int>(list.size()) + 1) {
      list.push_back(value);
    } else {
      return E_INVALIDARG;
    }
  } else {
    return E_INVALIDARG;
  }
  attribute->hasValue = true;
  LogStoreCall("SetInteger", key, position, std::to_string(value));
  return S_OK;
}

HRESULT ZORFeature::AttrAccess::SetBoolean(ZORSpecAttrKey* key, ZORBoolean value, int position) {
  AttributeValue* attribute = owner_.Find(key);
  if (attribute == nullptr || position != 0 ||
      attribute->kind != ZORAttributeKind::Boolean) {
    return E_INVALIDARG;
  }
  attribute->scalar = value;
  attribute->hasValue = true;
  LogStoreCall("SetBoolean", key, position, std::to_string(value));
  return S_OK;
}

HRESULT ZORFeature::AttrAccess::SetListMember(ZORSpecAttrKey* key, ZORISpecObject* member,
                                              int position, ZORBoolean) {
  if (ZORHostCallFails(ZORHostCall::SetListMember)) return E_FAIL;
  AttributeValue* attribute = owner_.Find(key);
  if (attribute == nullptr || member == nullptr ||
      attribute->kind != ZORAttributeKind::MemberList) {
    return E_INVALIDARG;
  }
  std::vector<ZORISpecObject*>& list = attribute->members;
  if (!attribute->hasValue) Clear(*attribute);
  if (position >= 1 && position <= static_cast<int>(list.size())) {
    member->AddRef();
    std::exchange(list[static_cast<std::size_t>(position - 1)], member)->Release();
  } else if (position == static_cast<int>(list.size()) + 1) {
    member->AddRef();
    list.push_back(member);
  } else {
    return E_INVALIDARG;
  }
  attribute->hasValue = true;
  LogStoreCall("SetListMember", key, position);
  return S_OK;
}

int ZORFeature::AttrAccess::GetInteger(ZORSpecAttrKey* key, int position) {
  const AttributeValue* attribute = owner_.Find(key);
  if (attribute == nullptr || !attribute->hasValue) return 0;
  if (attribute->kind == ZORAttributeKind::IntegerList) {
    // Position 0 and below wrap around to large indices and fail the one test.
    const std::size_t index = static_cast<std::size_t>(static_cast<unsigned>(position) - 1u);
    return index < attribute->integers.size() ? attribute->integers[index] : 0;
  }
  return attribute->kind == ZORAttributeKind::Integer && position == 0 ? attribute->scalar : 0;
}

ZORBoolean ZORFeature::AttrAccess::GetBoolean(ZORSpecAttrKey* key, int position) {
  AttributeValue* attribute = owner_.Find(key);
  if (attribute == nullptr || !attribute->hasValue || position != 0 ||
      attribute->kind != ZORAttributeKind::Boolean) {
    return ZORFalse;
  }
  return static_cast<ZORBoolean>(attribute->scalar);
}

ZORISpecObject* ZORFeature::AttrAccess::GetListMember(ZORSpecAttrKey* key, int position) {
  if (ZORHostCallFails(ZORHostCall::GetListMember)) return nullptr;
  AttributeValue* attribute = owner_.Find(key);
  if (attribute == nullptr || !attribute->hasValue || position < 1 ||
      position > static_cast<int>(attribute->members.size())) {
    return nullptr;
  }
  ZORISpecObject* member = attribute->members[static_cast<std::size_t>(position - 1)];
  member->AddRef();
  return member;
}

int ZORFeature::AttrAccess::ListSize(ZORSpecAttrKey* key) {
  AttributeValue* attribute = owner_.Find(key);
  if (attribute == nullptr || !attribute->hasValue) return 0;
  switch (attribute->kind) {
    case ZORAttributeKind::IntegerList:
      return static_cast<int>(attribute->integers.size());
    case ZORAttributeKind::MemberList:
      return static_cast<int>(attribute->members.size());
    default:
      return 0;
  }
}

HRESULT ZORFeature::AttrAccess::RemoveListMember(ZORSpecAttrKey* key, int position) {
  AttributeValue* attribute = owner_.Find(key);
  if (attribute == nullptr || !attribute->hasValue) return E_INVALIDARG;
  ZORAttributeKind kind = attribute->kind;
  if (kind == ZORAttributeKind::IntegerList && position >= 1 &&
      position <= static_cast<int>(attribute->integers.size())) {
    attribute->integers.erase(attribute->integers.begin() + (position - 1));
  } else if (kind == ZORAttributeKind::MemberList && position >= 1 &&
             position <= static_cast<int>(attribute->members.size())) {
    auto member = attribute->members.begin() + (position - 1);
    ZORISpecObject* removed = *member;
    attribute->members.erase(member);
    removed->Release();
  } else {
    return E_INVALIDARG;
  }
  LogStoreCall("RemoveListMember", key, position);
  return S_OK;
}

// ---------------------------------------------------------------------------------------------
// Knowledge parameters

ZORParameter::ZORParameter() = default;
ZORParameter::~ZORParameter() = default;

ZORMetaClass* ZORParameter::GetClassMetaObject() const {
  static ZORMetaClass* meta = ZORRuntime::HostClassMeta(
      "ZORKnowledgeParameter", ZORClassComponentType, ZORISpecObject::MetaObject());
  return meta;
}

HRESULT ZORParameter::QueryInterface(const GUID& iid, void** object) {
  if (object == nullptr) return E_INVALIDARG;
  IUnknown* answer = nullptr;
  // The parameter interface first: every read of a value asks for it.
  if (iid == IID_ZORIMekParm) {
    answer = &parm_;
  } else if (iid == IID_ZORISpecObject) {
    answer = static_cast<ZORISpecObject*>(this);
  } else if (iid == IID_LifeCycleObject) {
    answer = &lifeCycle_;
  } else if (iid == IID_ZORIMekValue && hasValue_) {
    answer = &value_;
  } else {
    return ZORBaseUnknown::QueryInterface(iid, object);
  }
  ZORBaseUnknown::AddRef();
  *object = answer;
  return S_OK;
}

int ZORParameter::IntegerValue() const {
  if (isInteger_) return integer_;
  // Truncation toward zero, saturated: a conversion out of range would be undefined.
  if (std::isnan(real_)) return 0;
  if (real_ >= 2147483647.0) return std::numeric_limits<int>::max();
  if (real_ <= -2147483648.0) return std::numeric_limits<int>::min();
  return static_cast<int>(real_);
}

ZORIMekValue_var ZORParameter::Parm::Value() {
  if (!owner_.hasValue_) return {};
  return ZORIMekValue_var::Retain(&owner_.value_);
}

void ZORParameter::Parm::SetRealValue(double value) {
  owner_.hasValue_ = true;
  owner_.isInteger_ = false;
  owner_.real_ = value;
}

void ZORParameter::Parm::SetIntegerValue(int value) {
  owner_.hasValue_ = true;
  owner_.isInteger_ = true;
  owner_.integer_ = value;
}

void ZORParameter::LifeCycle::Remove(int) {
  if (owner_.removed_) return;
  owner_.removed_ = true;
  if (ZORHostSeam* seam = ZORSeam::Installed()) {
    seam->ParameterRemoved();
    if (seam->RecordsStoreCalls()) seam->StoreCall("Remove parameter");
  }
}
