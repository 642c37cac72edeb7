// The color scale module loaded the way the CAD host loads it, in a host session of its own.
#pragma once

#include <memory>
#include <string>

#include "zor/ZORColorScaleInterfaces.h"
#include "zor/ZORHostSession.h"
#include "zor/ZORModuleLibrary.h"
#include "zorhost/common/Outcome.h"

class ZORModuleHost {
 public:
  // Loads the module at `modulePath` and opens a session with a fresh document. A failure saying
  // why when the module cannot be loaded or serves no color scale factory.
  static ZOROutcome Open(const std::string& modulePath, std::unique_ptr<ZORModuleHost>& host);
  // The module given (`modulePath`) or found where the host platform looks for it
  // (ZORModuleLibrary::Find), opened.
  static ZOROutcome Find(const std::string& modulePath, std::unique_ptr<ZORModuleHost>& host);
  ~ZORModuleHost();

  // A factory through the module's exported class-object entry and its IClassFactory.
  ZORIStColorScaleFactory_var Factory();
  // A new color scale made by such a factory; empty when the host gives none.
  ZORIStNewColorScale_var NewScale();
  ZORHostSession& Session() { return *session_; }
  // Closes the current document and opens a fresh one in the same session.
  void NewDocument();

 private:
  ZORModuleHost() = default;
  std::unique_ptr<ZORModuleLibrary> module_;
  std::unique_ptr<ZORHostSession> session_;
};

// The file name of the color scale module.
inline constexpr const char* kZORColorScaleModuleFile = "libZORCarColorScale.so";
