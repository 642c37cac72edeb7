// The component runtime: meta-classes, the dictionary, module records, adapter bookkeeping and
// the component root.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <utility>
#include <vector>

#include "RuntimeInternal.h"
#include "zor/ZORVersion.h"
#include "Seam.h"
#include "zor/ZORRawColl.h"
#include "zor/ZORRuntime.h"

const double ZORMathInfinite = std::numeric_limits<double>::infinity();

const char* ZORHostVersion() { return ZOR_VERSION; }

const GUID IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const GUID IID_IClassFactory = {0x00000001, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const GUID IID_ZORBaseUnknown = {0x6a0e3f51, 0x2c4d, 0x4b8e,
                                 {0x9a, 0x71, 0x3d, 0x52, 0x0c, 0xe8, 0x11, 0x90}};

namespace {

struct DictionaryEntry {
  ZORMetaClass* implementation;
  ZORMetaClass* interfaceMeta;
  ZORAdapterCreationFunction create;
  const ZOROMModule* module;  // null: registered outside a module's list
};

// The extension of a component by one extension class.
struct ExtensionKey {
  const ZORBaseUnknown* component;
  const ZORMetaClass* extensionMeta;
  friend bool operator==(const ExtensionKey&, const ExtensionKey&) = default;
};

// The adapter of a component's extension for one interface.
struct AdapterKey {
  const ZORBaseUnknown* component;
  GUID iid;
  friend bool operator==(const AdapterKey&, const AdapterKey&) = default;
};

struct KeyHash {
  std::size_t operator()(const ExtensionKey& key) const {
    return std::hash<const void*>()(key.component) * 31 + std::hash<const void*>()(key.extensionMeta);
  }
  std::size_t operator()(const AdapterKey& key) const {
    std::uint64_t words[2];
    std::memcpy(words, &key.iid, sizeof words);
    return std::hash<const void*>()(key.component) ^ std::hash<std::uint64_t>()(words[0] ^ words[1]);
  }
};

struct RuntimeState {
  std::recursive_mutex objectModel;  // the om_guard
  std::mutex mutex;                  // everything below
  std::map<std::string, std::unique_ptr<ZORMetaClass>> metaClasses;
  std::vector<DictionaryEntry> dictionary;
  std::vector<const ZOROMModule*> moduleRecords;
  // Indexed, so that a process with many components finds each in constant time.
  std::unordered_map<ExtensionKey, ZORBaseUnknown*, KeyHash> extensions;
  std::unordered_map<AdapterKey, ZORBaseUnknown*, KeyHash> extensionAdapters;
  std::unordered_map<const ZORBaseUnknown*, AdapterKey> adapterKeys;  // for Tie_Destruct
};

// Never destroyed: a module still loaded at exit unregisters itself after the host's statics
// would otherwise be gone.
RuntimeState& State() {
  static RuntimeState* state = new RuntimeState;
  return *state;
}

// The module whose registration list is being walked on this thread.
thread_local const ZOROMModule* walkingModule = nullptr;

}  // namespace

// ---------------------------------------------------------------------------------------------
// Meta-classes

int ZORMetaClass::IsAKindOf(const char* name) const {
  if (name == nullptr) return 0;
  for (const ZORMetaClass* meta = this; meta != nullptr; meta = meta->base_) {
    if (meta->name_ == name) return 1;
    if (!meta->interfaceName_.empty() && meta->interfaceName_ == name) return 1;
    if (meta->interfaceMeta_ != nullptr && meta->interfaceMeta_->IsAKindOf(name)) return 1;
  }
  return 0;
}

template <class Fill>
ZORMetaClass* ZORMetaClassRegistry::RetrieveByName(const std::string& name, Fill fill) {
  RuntimeState& state = State();
  std::lock_guard lock(state.mutex);
  std::unique_ptr<ZORMetaClass>& slot = state.metaClasses[name];
  if (!slot) {
    slot.reset(new ZORMetaClass);
    fill(*slot);
  }
  return slot.get();
}

namespace {
std::string Text(const char* text) { return text != nullptr ? text : ""; }
}  // namespace

ZORMetaClass* ZORMetaClassRegistry::Retrieve(const char* name, int typeOfClass,
                                             ZORMetaClass* base, const char* extendedName,
                                             const char* frameworkName,
                                             std::size_t instanceSize) {
  return RetrieveByName(Text(name), [&](ZORMetaClass& meta) {
    meta.name_ = Text(name);
    meta.typeOfClass_ = typeOfClass;
    meta.base_ = base;
    meta.extendedName_ = Text(extendedName);
    meta.frameworkName_ = Text(frameworkName);
    meta.instanceSize_ = instanceSize;
  });
}

ZORMetaClass* ZORMetaClassRegistry::RetrieveAdapter(const GUID& iid, const char* interfaceName,
                                                    ZORMetaClass* interfaceMeta,
                                                    ZORMetaClass* implementationMeta,
                                                    int typeOfClass) {
  const std::string name = "TIE" + Text(interfaceName) +
                           (implementationMeta != nullptr ? implementationMeta->Name() : "");
  return RetrieveByName(name, [&](ZORMetaClass& meta) {
    meta.name_ = name;
    meta.typeOfClass_ = typeOfClass;
    meta.interfaceId_ = iid;
    meta.interfaceName_ = Text(interfaceName);
    meta.interfaceMeta_ = interfaceMeta;
    meta.implementationMeta_ = implementationMeta;
  });
}

ZORMetaClass* ZORMetaClassRegistry::RetrieveInterface(const char* name, const GUID& iid) {
  return RetrieveByName(Text(name), [&](ZORMetaClass& meta) {
    meta.name_ = Text(name);
    meta.typeOfClass_ = ZORClassInterface;
    meta.interfaceId_ = iid;
    meta.interfaceName_ = Text(name);
  });
}

ZORMetaClass* ZORRuntime::HostClassMeta(const char* name, int typeOfClass, ZORMetaClass* base) {
  return ZORMetaClassRegistry::Retrieve(name, typeOfClass, base, "", "ZORHost", 0);
}

ZORMetaClass* ZORRuntime::InterfaceMeta(const char* name, const GUID& iid) {
  return ZORMetaClassRegistry::RetrieveInterface(name, iid);
}

ZORMetaClass* qrn::internal::fct_RetrieveMetaObject(const char* className, int typeOfClass,
                                                    ZORMetaClass* base,
                                                    const char* extendedName,
                                                    const char* frameworkName,
                                                    std::size_t instanceSize) {
  return ZORMetaClassRegistry::Retrieve(className, typeOfClass, base, extendedName,
                                        frameworkName, instanceSize);
}

ZORMetaClass* qrn::internal::Tie_InitMetaObject(const GUID& iid, const char* interfaceName,
                                                ZORMetaClass* interfaceMeta,
                                                ZORMetaClass* implementationMeta,
                                                int typeOfClass) {
  return ZORMetaClassRegistry::RetrieveAdapter(iid, interfaceName, interfaceMeta,
                                               implementationMeta, typeOfClass);
}

qrn::internal::om_guard::om_guard() { State().objectModel.lock(); }
qrn::internal::om_guard::~om_guard() { State().objectModel.unlock(); }

// ---------------------------------------------------------------------------------------------
// Module records and the dictionary

ZOROMModule::ZOROMModule(const ZOROMModuleInfo& info) : info_(info) {
  RuntimeState& state = State();
  std::lock_guard lock(state.mutex);
  state.moduleRecords.push_back(this);
}

ZOROMModule::~ZOROMModule() {
  RuntimeState& state = State();
  std::lock_guard lock(state.mutex);
  std::erase_if(state.dictionary, [this](const DictionaryEntry& e) { return e.module == this; });
  std::erase(state.moduleRecords, this);
}

bool ZORFillDictionary::Register(ZORMetaClass* implementationMeta, ZORMetaClass* interfaceMeta,
                                 ZORAdapterCreationFunction create, ZORAdapterCreationFunction,
                                 int) {
  if (implementationMeta == nullptr || interfaceMeta == nullptr || create == nullptr) {
    return false;
  }
  RuntimeState& state = State();
  std::lock_guard lock(state.mutex);
  for (const DictionaryEntry& entry : state.dictionary) {
    if (entry.implementation == implementationMeta && entry.interfaceMeta == interfaceMeta) {
      return false;
    }
  }
  state.dictionary.push_back({implementationMeta, interfaceMeta, create, walkingModule});
  return true;
}

namespace ZORModuleWalk {

// Used by the loader: walks a record's registration list once, tagging what it registers.
int Walk(const ZOROMModule& record) {
  int calls = 0;
  walkingModule = &record;
  try {
    for (const ZORRegistrationFunction* entry = record.Info().begin; entry != record.Info().end;
         ++entry) {
      if (*entry != nullptr) {
        (*entry)();
        ++calls;
      }
    }
  } catch (...) {
    walkingModule = nullptr;
    throw;
  }
  walkingModule = nullptr;
  return calls;
}

std::vector<const ZOROMModule*> LiveRecords() {
  RuntimeState& state = State();
  std::lock_guard lock(state.mutex);
  return state.moduleRecords;
}

bool IsWalked(const ZOROMModule* record) {
  RuntimeState& state = State();
  std::lock_guard lock(state.mutex);
  return std::any_of(state.dictionary.begin(), state.dictionary.end(),
                     [record](const DictionaryEntry& e) { return e.module == record; });
}

std::vector<std::string> RegisteredClassNames(const ZOROMModule* record) {
  RuntimeState& state = State();
  std::lock_guard lock(state.mutex);
  std::vector<std::string> names;
  for (const DictionaryEntry& entry : state.dictionary) {
    if (entry.module == record) names.emplace_back(entry.implementation->Name());
  }
  return names;
}

}  // namespace ZORModuleWalk

IUnknown* ZORRuntime::CreateAdapter(ZORBaseUnknown* component, const GUID& iid) {
  ZORMetaClass* meta = component->GetClassMetaObject();
  if (meta == nullptr) return nullptr;
  RuntimeState& state = State();
  ZORAdapterCreationFunction create = nullptr;
  ZORBaseUnknown* implementation = nullptr;
  ZORBaseUnknown* secondary = nullptr;
  {
    std::lock_guard lock(state.mutex);
    for (const DictionaryEntry& entry : state.dictionary) {
      if (!(entry.interfaceMeta->InterfaceId() == iid)) continue;
      if (entry.implementation == meta) {
        // The implementation itself is asked; an extension brings the component it extends.
        create = entry.create;
        implementation = component;
        secondary = meta->TypeOfClass() == ZORClassExtension ? component->extended_ : nullptr;
        break;
      }
      if (entry.implementation->TypeOfClass() == ZORClassExtension &&
          std::string_view(entry.implementation->ExtendedName()) == meta->Name()) {
        // A component of the extended type is asked: its extension, if it exists yet.
        create = entry.create;
        secondary = component;
        auto extension = state.extensions.find({component, entry.implementation});
        if (extension != state.extensions.end()) implementation = extension->second;
        break;
      }
    }
  }
  if (create == nullptr) return nullptr;
  return create(implementation, secondary);
}

// ---------------------------------------------------------------------------------------------
// Adapter bookkeeping

HRESULT Tie_Construct(IUnknown* adapter, ZORMetaClass*, ZORBaseUnknown** implementationField,
                      int, ZORBaseUnknown* implementation, const GUID&, int,
                      ZORBaseUnknown*&, ZORInstanceCreationFunction,
                      ZORBaseUnknown* secondary, ZORBaseUnknown** secondaryField) {
  if (implementation == nullptr || implementationField == nullptr) return E_FAIL;
  implementation->AddRef();
  *implementationField = implementation;
  if (secondaryField != nullptr) *secondaryField = secondary;
  if (ZORHostSeam* seam = ZORSeam::Installed()) seam->AdapterBorn(adapter);
  return S_OK;
}

HRESULT Tie_Query(IUnknown* adapter, ZORBaseUnknown* implementation, ZORBaseUnknown*,
                  ZORMetaClass* adapterMeta, int, const GUID& iid, void** object) {
  if (object == nullptr) return E_INVALIDARG;
  if (iid == IID_IUnknown || (adapterMeta != nullptr && iid == adapterMeta->InterfaceId())) {
    adapter->AddRef();
    *object = adapter;
    return S_OK;
  }
  if (implementation == nullptr) return E_NOINTERFACE;
  return implementation->QueryInterface(iid, object);
}

std::uint32_t Tie_AddRef(ZORBaseUnknown*, int, std::int32_t* referenceCount) {
  return ZORReferenceCount::Add(*referenceCount);
}

std::uint32_t Tie_Release(int* destroy, ZORBaseUnknown**, ZORBaseUnknown*, int,
                          std::int32_t* referenceCount) {
  const std::int32_t left = ZORReferenceCount::Remove(*referenceCount);
  if (left < 0) ZORRuntime::OverRelease("an IClassFactory adapter", referenceCount);
  if (left == 0) *destroy = 1;
  return static_cast<std::uint32_t>(left);
}

void Tie_Destruct(IUnknown* adapter, ZORBaseUnknown** implementationField, int, std::int32_t) {
  if (ZORHostSeam* seam = ZORSeam::Installed()) seam->AdapterDied(adapter);
  if (implementationField != nullptr) {
    if (ZORBaseUnknown* implementation = std::exchange(*implementationField, nullptr)) {
      implementation->Release();
    }
  }
}

HRESULT Tie_Construct(ZORBaseUnknown* adapter, ZORMetaClass* adapterMeta,
                      ZORBaseUnknown* implementation, const GUID&, int implementationTypeOfClass,
                      ZORBaseUnknown*&, ZORInstanceCreationFunction create,
                      ZORBaseUnknown* secondary) {
  RuntimeState& state = State();
  if (implementationTypeOfClass == ZORClassExtension) {
    if (secondary == nullptr) return E_FAIL;
    if (implementation == nullptr) {
      if (create == nullptr) return E_FAIL;
      implementation = create(secondary);  // born with the reference that the adapter keeps
      if (implementation == nullptr) return E_OUTOFMEMORY;
      ZORMetaClass* extensionMeta =
          adapterMeta != nullptr ? adapterMeta->ImplementationMeta() : nullptr;
      ZORRuntime::SetExtensionMeta(implementation, extensionMeta);
      std::lock_guard lock(state.mutex);
      state.extensions.insert_or_assign({secondary, extensionMeta}, implementation);
    } else {
      implementation->AddRef();
    }
    ZORRuntime::SetTieImplementation(adapter, implementation);
    std::lock_guard lock(state.mutex);
    const AdapterKey key{secondary, adapterMeta->InterfaceId()};
    state.extensionAdapters.insert_or_assign(key, adapter);
    state.adapterKeys.insert_or_assign(adapter, key);
    return S_OK;
  }
  if (implementation == nullptr) return E_FAIL;
  implementation->AddRef();
  ZORRuntime::SetTieImplementation(adapter, implementation);
  return S_OK;
}

IUnknown* Tie_Link(ZORBaseUnknown*, ZORBaseUnknown* secondary, const GUID& iid) {
  if (secondary == nullptr) return nullptr;
  ZORBaseUnknown* found = nullptr;
  {
    RuntimeState& state = State();
    std::lock_guard lock(state.mutex);
    auto adapter = state.extensionAdapters.find({secondary, iid});
    if (adapter != state.extensionAdapters.end()) found = adapter->second;
  }
  if (found != nullptr) found->AddRef();
  return found;
}

HRESULT Tie_Query(ZORBaseUnknown* adapter, ZORMetaClass* adapterMeta, int, const GUID& iid,
                  void** object) {
  if (object == nullptr) return E_INVALIDARG;
  if (iid == IID_IUnknown || (adapterMeta != nullptr && iid == adapterMeta->InterfaceId())) {
    adapter->AddRef();
    *object = adapter;
    return S_OK;
  }
  ZORBaseUnknown* implementation = ZORRuntime::TieImplementation(adapter);
  if (implementation == nullptr) return E_NOINTERFACE;
  return implementation->QueryInterface(iid, object);
}

std::uint32_t Tie_Release(int* destroy, ZORBaseUnknown* adapter, int) {
  const std::int32_t left = ZORReferenceCount::Remove(*ZORRuntime::CountAddress(adapter));
  if (left < 0) ZORRuntime::OverRelease(adapter->IsA(), adapter);
  if (left == 0) {
    if (ZORHostSeam* seam = ZORSeam::Installed()) seam->Dying(adapter, adapter->IsA());
    *destroy = 1;
  }
  return static_cast<std::uint32_t>(left);
}

void Tie_Destruct(ZORBaseUnknown* adapter, int) {
  RuntimeState& state = State();
  {
    std::lock_guard lock(state.mutex);
    if (auto key = state.adapterKeys.find(adapter); key != state.adapterKeys.end()) {
      auto entry = state.extensionAdapters.find(key->second);
      if (entry != state.extensionAdapters.end() && entry->second == adapter) {
        state.extensionAdapters.erase(entry);
      }
      state.adapterKeys.erase(key);
    }
  }
  if (ZORBaseUnknown* implementation = ZORRuntime::TieImplementation(adapter)) {
    ZORRuntime::SetTieImplementation(adapter, nullptr);
    implementation->Release();
  }
}

// ---------------------------------------------------------------------------------------------
// The component root

ZORBaseUnknown::ZORBaseUnknown() { ZORRuntime::ComponentBorn(this); }

ZORBaseUnknown::ZORBaseUnknown(ExtensionOf extended) : extended_(extended.component) {
  if (extended_ != nullptr) extended_->AddRef();
  ZORRuntime::ComponentBorn(this);
}

ZORBaseUnknown::ZORBaseUnknown(FacetTag) : isComponent_(false) {}

ZORBaseUnknown::~ZORBaseUnknown() {
  if (!isComponent_) return;
  ZORRuntime::ComponentDied(this);
  if (extended_ != nullptr) {
    {
      RuntimeState& state = State();
      std::lock_guard lock(state.mutex);
      auto entry = state.extensions.find({extended_, extensionMeta_});
      if (entry != state.extensions.end() && entry->second == this) state.extensions.erase(entry);
    }
    std::exchange(extended_, nullptr)->Release();
  }
}

HRESULT ZORBaseUnknown::QueryInterface(const GUID& iid, void** object) {
  if (object == nullptr) return E_INVALIDARG;
  if (iid == IID_IUnknown || iid == IID_ZORBaseUnknown) {
    AddRef();
    *object = this;
    return S_OK;
  }
  if (IUnknown* adapter = ZORRuntime::CreateAdapter(this, iid)) {
    *object = adapter;
    return S_OK;
  }
  if (extended_ != nullptr) return extended_->QueryInterface(iid, object);
  return E_NOINTERFACE;
}

std::uint32_t ZORBaseUnknown::AddRef() { return ZORReferenceCount::Add(referenceCount_); }

std::uint32_t ZORBaseUnknown::Release() {
  const std::int32_t left = ZORReferenceCount::Remove(referenceCount_);
  if (left < 0) ZORRuntime::OverRelease(IsA(), this);
  if (left == 0) {
    if (ZORHostSeam* seam = ZORSeam::Installed()) seam->Dying(this, IsA());
    delete this;
    return 0;
  }
  return static_cast<std::uint32_t>(left);
}

HRESULT ZORBaseUnknown::GetTypeInfoCount(unsigned* count) {
  if (count != nullptr) *count = 0;
  return E_NOTIMPL;
}
HRESULT ZORBaseUnknown::GetTypeInfo(unsigned, unsigned, void**) { return E_NOTIMPL; }
HRESULT ZORBaseUnknown::GetIDsOfNames(const GUID&, char**, unsigned, unsigned, long*) {
  return E_NOTIMPL;
}
HRESULT ZORBaseUnknown::Invoke(long, const GUID&, unsigned, unsigned short, void*, void*, void*,
                               unsigned*) {
  return E_NOTIMPL;
}

ZORBaseUnknown* ZORBaseUnknown::QueryInterface(const char* name) const {
  return IsAKindOf(name) ? const_cast<ZORBaseUnknown*>(this) : nullptr;
}

ZORMetaClass* ZORBaseUnknown::GetClassMetaObject() const { return MetaObject(); }
const char* ZORBaseUnknown::IsA() const {
  ZORMetaClass* meta = GetClassMetaObject();
  return meta != nullptr ? meta->Name() : "";
}
int ZORBaseUnknown::IsAKindOf(const char* name) const {
  ZORMetaClass* meta = GetClassMetaObject();
  return meta != nullptr ? meta->IsAKindOf(name) : 0;
}
ZORBaseUnknown* ZORBaseUnknown::GetImpl(int) const {
  return tieImplementation_ != nullptr ? tieImplementation_ : const_cast<ZORBaseUnknown*>(this);
}
int ZORBaseUnknown::IsNull() const { return 0; }
int ZORBaseUnknown::IsEqual(const ZORBaseUnknown* other) const {
  return other != nullptr && other->GetImpl() == GetImpl();
}
HRESULT ZORBaseUnknown::ChangeComponentState(int, int, int) { return E_NOTIMPL; }

ZORMetaClass* ZORBaseUnknown::MetaObject() {
  static ZORMetaClass* meta = ZORRuntime::HostClassMeta("ZORBaseUnknown", ZORClassRoot, nullptr);
  return meta;
}

void* ZORBaseUnknown::operator new(std::size_t size) noexcept { return std::malloc(size); }
void ZORBaseUnknown::operator delete(void* memory) noexcept {
  ZORHostSeam* seam = ZORSeam::Installed();
  if (memory != nullptr && seam != nullptr && seam->KeepsFreedMemory(memory)) return;
  std::free(memory);
}

void ZORRuntime::ComponentBorn(ZORBaseUnknown* component) {
  if (ZORHostSeam* seam = ZORSeam::Installed()) seam->ComponentBorn(component);
}
void ZORRuntime::ComponentDied(ZORBaseUnknown* component) {
  if (ZORHostSeam* seam = ZORSeam::Installed()) seam->ComponentDied(component);
}

std::atomic<ZORHostSeam*> ZORSeam::installed{nullptr};

ZORHostSeam::~ZORHostSeam() = default;
void ZORHostSeam::Install(ZORHostSeam* seam) { ZORSeam::installed.store(seam); }

void ZORRuntime::OverRelease(const char* what, const void* address) {
  ZORHostSeam* seam = ZORSeam::Installed();
  if (const char* destroyed = seam != nullptr ? seam->DestroyedClass(address) : nullptr) {
    std::fprintf(stderr,
                 "zor runtime: %s at %p was released once too often (it was destroyed when its "
                 "count reached 0)\n",
                 destroyed, address);
  } else {
    std::fprintf(stderr,
                 "zor runtime: %s at %p was released once too often (its count was already 0)\n",
                 what != nullptr ? what : "a component", address);
  }
  std::abort();
}

void ZORRawCollIndexError(int index, int size) {
  std::fprintf(stderr, "zor runtime: list position %d is outside 1..%d\n", index, size);
  std::abort();
}
