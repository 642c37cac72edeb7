// Loading component modules with the system's dynamic loader.
#include <dlfcn.h>
#include <link.h>

#include <algorithm>
#include <mutex>
#include <vector>

#include "RuntimeInternal.h"
#include "Seam.h"
#include "zor/ZORColorScaleInterfaces.h"
#include "zor/ZORModuleLibrary.h"

namespace {

// The modules loaded now, in the order they were loaded.
struct LoadedModules {
  std::mutex mutex;
  std::vector<const ZORModuleLibrary*> modules;
};

LoadedModules& Loaded() {
  static LoadedModules* loaded = new LoadedModules;
  return *loaded;
}

// The loaded object that holds `address`, as the dynamic loader knows it.
const link_map* ObjectOf(const void* address) {
  Dl_info info;
  link_map* object = nullptr;
  if (dladdr1(address, &info, reinterpret_cast<void**>(&object), RTLD_DL_LINKMAP) == 0) {
    return nullptr;
  }
  return object;
}

}  // namespace

std::unique_ptr<ZORModuleLibrary> ZORModuleLibrary::Load(const std::string& path,
                                                          std::string& error) {
  dlerror();
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    const char* reason = dlerror();
    error = "cannot load module '" + path + "': " + (reason != nullptr ? reason : "unknown error");
    return nullptr;
  }
  link_map* object = nullptr;
  if (dlinfo(handle, RTLD_DI_LINKMAP, &object) != 0) object = nullptr;

  // The module's record announced itself while the module's static data was initialised.
  const ZOROMModule* record = nullptr;
  for (const ZOROMModule* candidate : ZORModuleWalk::LiveRecords()) {
    if (object != nullptr && ObjectOf(candidate) == object) record = candidate;
  }
  if (record == nullptr) {
    dlclose(handle);
    error = "cannot load module '" + path +
            "': it built no module record, so it is not a component module";
    return nullptr;
  }
  int count = 0;
  if (!ZORModuleWalk::IsWalked(record)) {
    count = ZORModuleWalk::Walk(*record);
  } else {
    count = static_cast<int>(ZORModuleWalk::RegisteredClassNames(record).size());
  }
  return std::unique_ptr<ZORModuleLibrary>(new ZORModuleLibrary(path, handle, record, count));
}

ZORModuleLibrary::ZORModuleLibrary(std::string path, void* handle, const ZOROMModule* record,
                                   int count)
    : path_(std::move(path)), handle_(handle), record_(record), registrationCount_(count) {
  LoadedModules& loaded = Loaded();
  std::lock_guard lock(loaded.mutex);
  loaded.modules.push_back(this);
}

ZORModuleLibrary::~ZORModuleLibrary() {
  {
    LoadedModules& loaded = Loaded();
    std::lock_guard lock(loaded.mutex);
    std::erase(loaded.modules, this);
  }
  dlclose(handle_);
}

std::vector<std::string> ZORModuleLibrary::RegisteredClasses() const {
  return ZORModuleWalk::RegisteredClassNames(record_);
}

void* ZORModuleLibrary::Symbol(const char* name) const {
  if (name == nullptr) return nullptr;
  return dlsym(handle_, name);
}

HRESULT ZORCreateStColorScaleFactory(ZORIStColorScaleFactory*& factory) {
  factory = nullptr;
  if (ZORHostCallFails(ZORHostCall::CreateColorScaleFactory)) return E_FAIL;
  std::vector<const ZORModuleLibrary*> modules;
  {
    LoadedModules& loaded = Loaded();
    std::lock_guard lock(loaded.mutex);
    modules = loaded.modules;
  }
  // As any host code would: the class-object entry of a loaded module, its class factory, then
  // the factory itself.
  for (const ZORModuleLibrary* module : modules) {
    auto getClassObject = module->Export<ZORDllGetClassObjectFunction>(kZORDllGetClassObjectName);
    if (getClassObject == nullptr) continue;
    void* classObject = nullptr;
    if (FAILED(getClassObject(CLSID_ZORStColorScaleFactory, IID_IClassFactory, &classObject))) {
      continue;
    }
    ZORVar<IClassFactory> classFactory =
        ZORVar<IClassFactory>::Adopt(static_cast<IClassFactory*>(classObject));
    void* made = nullptr;
    if (SUCCEEDED(classFactory->CreateInstance(nullptr, IID_ZORIStColorScaleFactory, &made))) {
      factory = static_cast<ZORIStColorScaleFactory*>(made);
      return S_OK;
    }
  }
  return E_FAIL;
}
