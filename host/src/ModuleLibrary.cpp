// Loading component modules with the system's dynamic loader.
#include <dlfcn.h>
#include <link.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>

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

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? "." : path.substr(0, std::max<std::size_t>(slash, 1));
}

bool IsFile(const std::string& path) {
  struct stat status {};
  return stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

bool IsFolder(const std::string& path) {
  struct stat status {};
  return stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

std::string ProgramFolder() {
  char program[4096];
  const ssize_t length = readlink("/proc/self/exe", program, sizeof program - 1);
  if (length <= 0) return {};
  return FolderOf(std::string(program, static_cast<std::size_t>(length)));
}

}  // namespace

std::string ZORModuleLibrary::HostLibraryPath() {
  Dl_info info{};
  if (dladdr(reinterpret_cast<const void*>(&ZORHostVersion), &info) == 0 ||
      info.dli_fname == nullptr) {
    return {};
  }
  char resolved[PATH_MAX];
  return realpath(info.dli_fname, resolved) != nullptr ? resolved : info.dli_fname;
}

std::string ZORModuleLibrary::InstalledModuleFolder() {
  const std::string library = HostLibraryPath();
  return library.empty() ? std::string() : FolderOf(library) + "/" + ZOR_MODULES_SUBDIR;
}

std::string ZORModuleLibrary::Find(const std::string& fileName, const std::string& explicitPath,
                                   std::string& error) {
  std::vector<std::string> searched;
  auto found = [&](const std::string& candidate) {
    searched.push_back(candidate);
    return IsFile(candidate);
  };
  if (!explicitPath.empty()) {
    if (found(explicitPath)) return explicitPath;
  } else {
    if (const char* list = std::getenv("ZOR_MODULE_PATH"); list != nullptr) {
      std::string entries(list);
      for (std::size_t start = 0; start <= entries.size();) {
        const std::size_t colon = std::min(entries.find(':', start), entries.size());
        const std::string entry = entries.substr(start, colon - start);
        start = colon + 1;
        if (entry.empty()) continue;
        const std::string candidate = IsFolder(entry) ? entry + "/" + fileName : entry;
        if (found(candidate)) return candidate;
      }
    }
    if (const std::string installed = InstalledModuleFolder(); !installed.empty()) {
      if (found(installed + "/" + fileName)) return installed + "/" + fileName;
    }
    if (const std::string beside = ProgramFolder(); !beside.empty()) {
      if (found(beside + "/" + fileName)) return beside + "/" + fileName;
    }
  }
  error = "cannot find the module " + fileName + "; searched:";
  for (const std::string& place : searched) error += "\n  " + place;
  return {};
}

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
