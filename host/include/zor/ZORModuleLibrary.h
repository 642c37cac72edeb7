// Loading a component module: the file is opened with the system's dynamic loader, its
// registration list is walked once, and its exports are found by name.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "zor/ZORRuntime.h"

class ZORHOST_API ZORModuleLibrary {
 public:
  // Loads the module file at `path`. On failure returns null and sets `error` to a message that
  // names the file and says what went wrong.
  static std::unique_ptr<ZORModuleLibrary> Load(const std::string& path, std::string& error);

  // The module file `fileName`, searched in this order: `explicitPath` when it is not empty (a
  // file, as a --module option gives it); the entries of $ZOR_MODULE_PATH, colon-separated,
  // each a folder holding the module or the module file itself; the installed modules folder;
  // the folder of the running program (a build tree). Empty, with `error` naming every place
  // searched, when none holds it.
  static std::string Find(const std::string& fileName, const std::string& explicitPath,
                          std::string& error);
  // The folder of installed modules: "zorhost/modules" beside the host platform library, found
  // from where that library is, so that a prefix that was moved still works.
  static std::string InstalledModuleFolder();
  // The host platform library this process runs with.
  static std::string HostLibraryPath();

  // Unloads the module. Every component it made must have been released by then.
  ~ZORModuleLibrary();
  ZORModuleLibrary(const ZORModuleLibrary&) = delete;
  ZORModuleLibrary& operator=(const ZORModuleLibrary&) = delete;

  // The export of that name, or null.
  void* Symbol(const char* name) const;
  template <class Function>
  Function Export(const char* name) const {
    return reinterpret_cast<Function>(Symbol(name));
  }

  const std::string& Path() const { return path_; }
  const ZOROMModule& Record() const { return *record_; }
  // Number of registrations its list made when it was walked.
  int RegistrationCount() const { return registrationCount_; }
  // The implementation classes its list registered, in order.
  std::vector<std::string> RegisteredClasses() const;

 private:
  ZORModuleLibrary(std::string path, void* handle, const ZOROMModule* record, int count);

  std::string path_;
  void* handle_;
  const ZOROMModule* record_;
  int registrationCount_;
};

// The class-object entry that every component module exports.
using ZORDllGetClassObjectFunction = HRESULT (*)(const GUID& classId, const GUID& iid,
                                                 void** object);
inline constexpr const char* kZORDllGetClassObjectName = "ZORDllGetClassObject";
