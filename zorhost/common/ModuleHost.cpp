#include "zorhost/common/ModuleHost.h"

#include <unistd.h>

#include <cstdlib>

#include "zor/ZORText.h"

ZOROutcome ZORModuleHost::Open(const std::string& modulePath, std::unique_ptr<ZORModuleHost>& host) {
  std::unique_ptr<ZORModuleHost> opened(new ZORModuleHost);
  std::string error;
  opened->module_ = ZORModuleLibrary::Load(modulePath, error);
  if (!opened->module_) return ZORFailure(error);
  if (opened->module_->Symbol(kZORDllGetClassObjectName) == nullptr) {
    return ZORFailure("'" + ZORPrintable(modulePath) + "' exports no " + kZORDllGetClassObjectName);
  }
  opened->session_ = std::make_unique<ZORHostSession>();
  if (!opened->Factory()) return ZORFailure("'" + ZORPrintable(modulePath) + "' serves no color scale factory");
  host = std::move(opened);
  return std::nullopt;
}

ZOROutcome ZORModuleHost::Find(const std::string& modulePath, std::unique_ptr<ZORModuleHost>& host) {
  std::string error;
  const std::string found = ZORModuleLibrary::Find(kZORColorScaleModuleFile, modulePath, error);
  if (found.empty()) return ZORFailure(error);
  return Open(found, host);
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

