// Inside the runtime: what the host's own sources share and components never see.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "zor/ZORBaseUnknown.h"
#include "zor/ZORRuntime.h"

// Reference counts are changed atomically: components of different scales share the keys of
// their feature type, and readers on several threads count references on them at once.
namespace ZORReferenceCount {
inline std::uint32_t Add(std::int32_t& count) {
  return static_cast<std::uint32_t>(
      std::atomic_ref<std::int32_t>(count).fetch_add(1, std::memory_order_relaxed) + 1);
}
// The count left; below 0 when the count was already 0 (released once too often).
inline std::int32_t Remove(std::int32_t& count) {
  return std::atomic_ref<std::int32_t>(count).fetch_sub(1, std::memory_order_acq_rel) - 1;
}
inline std::int32_t Read(const std::int32_t& count) {
  return std::atomic_ref<std::int32_t>(const_cast<std::int32_t&>(count))
      .load(std::memory_order_relaxed);
}
}  // namespace ZORReferenceCount

class ZORRuntime {
 public:
  // The adapter for `iid` of `component` from the dictionary, with one reference; null when the
  // dictionary has none.
  static IUnknown* CreateAdapter(ZORBaseUnknown* component, const GUID& iid);

  // Meta-classes of host classes and interfaces.
  static ZORMetaClass* HostClassMeta(const char* name, int typeOfClass, ZORMetaClass* base);
  static ZORMetaClass* InterfaceMeta(const char* name, const GUID& iid);
  // A host component class derived from the root.
  static ZORMetaClass* HostComponentMeta(const char* name) {
    return HostClassMeta(name, ZORClassRoot, ZORBaseUnknown::MetaObject());
  }

  // Access to what the base keeps for the runtime.
  static std::int32_t ReferenceCount(const ZORBaseUnknown* component) {
    return ZORReferenceCount::Read(component->referenceCount_);
  }
  static std::int32_t* CountAddress(ZORBaseUnknown* component) {
    return &component->referenceCount_;
  }
  static ZORBaseUnknown* TieImplementation(const ZORBaseUnknown* adapter) {
    return adapter->tieImplementation_;
  }
  static void SetExtensionMeta(ZORBaseUnknown* extension, ZORMetaClass* meta) {
    extension->extensionMeta_ = meta;
  }
  static void SetTieImplementation(ZORBaseUnknown* adapter, ZORBaseUnknown* implementation) {
    adapter->tieImplementation_ = implementation;
  }

  // Called by the base's constructor and destructor.
  static void ComponentBorn(ZORBaseUnknown* component);
  static void ComponentDied(ZORBaseUnknown* component);

  [[noreturn]] static void OverRelease(const char* what, const void* address);
};

// Registry of meta-classes by name; a class keeps one meta-class for the life of the process,
// across unloading and reloading of its module.
class ZORMetaClassRegistry {
 public:
  static ZORMetaClass* Retrieve(const char* name, int typeOfClass, ZORMetaClass* base,
                                const char* extendedName, const char* frameworkName,
                                std::size_t instanceSize);
  static ZORMetaClass* RetrieveAdapter(const GUID& iid, const char* interfaceName,
                                       ZORMetaClass* interfaceMeta,
                                       ZORMetaClass* implementationMeta, int typeOfClass);
  static ZORMetaClass* RetrieveInterface(const char* name, const GUID& iid);

 private:
  // The meta-class of that name, filled by `fill` when it is created.
  template <class Fill>
  static ZORMetaClass* RetrieveByName(const std::string& name, Fill fill);
};

// The loader's side of module records.
namespace ZORModuleWalk {

// Calls each non-null entry of the record's registration list in order; returns how many.
int Walk(const ZOROMModule& record);
// True once anything was registered through the record.
bool IsWalked(const ZOROMModule* record);
std::vector<const ZOROMModule*> LiveRecords();
std::vector<std::string> RegisteredClassNames(const ZOROMModule* record);

}  // namespace ZORModuleWalk
