// Loads the module, makes a color scale through it, releases everything and unloads the module,
// as many times as asked. Exit status 1 when a cycle fails or leaves a component alive.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "zor/ZORColorScaleInterfaces.h"
#include "zor/ZORHostSession.h"
#include "zor/ZORModuleLibrary.h"
#include "zor/testing/ZORHostTesting.h"

namespace {

bool Cycle(std::string& problem) {
  std::unique_ptr<ZORModuleLibrary> module = ZORModuleLibrary::Load(ZOR_MODULE_PATH, problem);
  if (!module) return false;
  {
    ZORHostSession session;
    auto getClassObject = module->Export<ZORDllGetClassObjectFunction>(kZORDllGetClassObjectName);
    void* classObject = nullptr;
    if (getClassObject == nullptr ||
        getClassObject(CLSID_ZORStColorScaleFactory, IID_IClassFactory, &classObject) != S_OK) {
      problem = "no class factory";
      return false;
    }
    ZORVar<IClassFactory> classFactory = ZORVar<IClassFactory>::Adopt(static_cast<IClassFactory*>(classObject));
    void* factoryObject = nullptr;
    if (classFactory->CreateInstance(nullptr, IID_ZORIStColorScaleFactory, &factoryObject) != S_OK) {
      problem = "no color scale factory";
      return false;
    }
    ZORIStColorScaleFactory_var factory =
        ZORIStColorScaleFactory_var::Adopt(static_cast<ZORIStColorScaleFactory*>(factoryObject));
    ZORIStNewColorScale_var scale = factory->CreateColorScale();
    if (!scale || scale->SetNumberOfBlocks(5) != S_OK) {
      problem = "no color scale";
      return false;
    }
    scale->SetExtremeImposedValues(-1.0, 2.0);
    int red = 0, green = 0, blue = 0, alpha = 0;
    scale->GetColorForValue(0.5, &red, &green, &blue, &alpha);
  }
  if (ZORHostTesting::LiveComponentCount() != 0) {
    problem = "components left alive:\n" + ZORHostTesting::DescribeLiveComponents();
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const int cycles = argc > 1 ? std::atoi(argv[1]) : 100;
  for (int cycle = 1; cycle <= cycles; ++cycle) {
    std::string problem;
    if (!Cycle(problem)) {
      std::fprintf(stderr, "cycle %d: %s\n", cycle, problem.c_str());
      return 1;
    }
  }
  std::printf("%d cycles of load, create, release, unload\n", cycles);
  return 0;
}
