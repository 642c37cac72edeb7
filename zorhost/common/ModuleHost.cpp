#include "zorhost/common/ModuleHost.h"

#include <unistd.h>

#include <cstdlib>

#include "zor/ZORText.h"

std::unique_ptr<ZORModuleHost> ZORModuleHost::Open(const std::string& modulePath,
                                                   std::string& error) {
  std::unique_ptr<ZORModuleHost> host(new ZORModuleHost);
  host->module_ = ZORModuleLibrary::Load(modulePath, error);
  if (!host->module_) return nullptr;
  if (host->module_->Symbol(kZORDllGetClassObjectName) == nullptr) {
    error = "'" + ZORPrintable(modulePath) + "' exports no " + kZORDllGetClassObjectName;
    return nullptr;
  }
  host->session_ = std::make_unique<ZORHostSession>();
  if (!host->Factory()) {
    error = "'" + ZORPrintable(modulePath) + "' serves no color scale factory";
    return nullptr;
  }
  return host;
}

std::unique_ptr<ZORModuleHost> ZORModuleHost::Find(const std::string& modulePath, ZOROutcome& problem) {
  std::string error;
  const std::string found = ZORModuleLibrary::Find(kZORColorScaleModuleFile, modulePath, error);
  std::unique_ptr<ZORModuleHost> host = found.empty() ? nullptr : Open(found, error);
  if (!host) problem = ZORFailure(error);
  return host;
}

ZORModuleHost::~ZORModuleHost() {
  // Components first, the module last.
  session_.reset();
  module_.reset();
}

ZORIStColorScaleFactory_var ZORModuleHost::Factory() {
  auto getClassObject = module_->Export<ZORDllGetClassObjectFunction>(kZORDllGetClassObjectName);
  void* classObject = nullptr;
  if (getClassObject == nullptr ||
      FAILED(getClassObject(CLSID_ZORStColorScaleFactory, IID_IClassFactory, &classObject))) {
    return {};
  }
  ZORVar<IClassFactory> classFactory =
      ZORVar<IClassFactory>::Adopt(static_cast<IClassFactory*>(classObject));
  void* factory = nullptr;
  if (FAILED(classFactory->CreateInstance(nullptr, IID_ZORIStColorScaleFactory, &factory))) {
    return {};
  }
  return ZORIStColorScaleFactory_var::Adopt(static_cast<ZORIStColorScaleFactory*>(factory));
}

ZORIStNewColorScale_var ZORModuleHost::NewScale() {
  ZORIStColorScaleFactory_var factory = Factory();
  return factory ? factory->CreateColorScale() : ZORIStNewColorScale_var();
}

void ZORModuleHost::NewDocument() {
  session_->CloseDocument(session_->CurrentDocument());
  session_->NewDocument();
}

