// The module's entry as the host takes it: the registration list, the class object and the
// adapters' lifetimes.
#include <dlfcn.h>

#include "support/ZORTestSupport.h"

namespace {

using ModuleEntry = ZORModuleTest;

TEST_F(ModuleEntry, RegistersThreeClassesInOrder) {
  EXPECT_EQ(module_->RegistrationCount(), 3);
  EXPECT_EQ(module_->RegisteredClasses(),
            (std::vector<std::string>{"ClassObjectZORStColorScaleFactoryImpl",
                                      "ZORStColorScaleFactoryImpl", "ZORStNewColorScale"}));
  using Marker = int (*)();
  auto marker = module_->Export<Marker>("VANTORIK_MOX2_INTERNAL_ZORCarColorScale");
  ASSERT_NE(marker, nullptr);
  EXPECT_EQ(marker(), 1);
}

TEST_F(ModuleEntry, OnlyTheFactoryClassIdIsServed) {
  auto getClassObject = module_->Export<ZORDllGetClassObjectFunction>(kZORDllGetClassObjectName);
  ASSERT_NE(getClassObject, nullptr);
  const int sessionComponents = ZORHostTesting::LiveComponentCount();
  for (std::size_t byte = 0; byte < sizeof(GUID); ++byte) {
    for (unsigned char flip : {0x01, 0x80}) {
      GUID other = CLSID_ZORStColorScaleFactory;
      reinterpret_cast<unsigned char*>(&other)[byte] ^= flip;
      void* untouched = &other;
      EXPECT_EQ(getClassObject(other, IID_IClassFactory, &untouched), E_NOTIMPL) << "byte " << byte;
      EXPECT_EQ(untouched, &other);
    }
  }
  EXPECT_EQ(ZORHostTesting::LiveComponentCount(), sessionComponents);
  // A class object that does not answer the interface asked for is not kept either.
  void* object = nullptr;
  EXPECT_EQ(getClassObject(CLSID_ZORStColorScaleFactory, IID_ZORIStNewColorScale, &object),
            E_NOINTERFACE);
  EXPECT_EQ(ZORHostTesting::LiveComponentCount(), sessionComponents);
}

TEST_F(ModuleEntry, ClassFactoryMakesWorkingFactories) {
  ZORIClassFactory_var classFactory = ClassFactory();
  ASSERT_TRUE(classFactory);
  for (int lock : {0, 1, -1, 12345}) EXPECT_EQ(classFactory->LockServer(lock), S_OK);

  // Aggregation is refused and makes nothing.
  const int before = ZORHostTesting::LiveComponentCount();
  void* object = nullptr;
  EXPECT_EQ(classFactory->CreateInstance(classFactory.get(), IID_ZORIStColorScaleFactory, &object),
            CLASS_E_NOAGGREGATION);
  EXPECT_EQ(object, nullptr);
  EXPECT_EQ(ZORHostTesting::LiveComponentCount(), before);

  ZORIStColorScaleFactory_var factory = Factory();
  ASSERT_TRUE(factory);
  EXPECT_STREQ(factory->IsA(), "TIEZORIStColorScaleFactoryZORStColorScaleFactoryImpl");
  EXPECT_TRUE(factory->IsAKindOf("ZORIStColorScaleFactory"));
  ZORIStNewColorScale_var scale = factory->CreateColorScale();
  ASSERT_TRUE(scale);
  double minimum = 0.0, maximum = 0.0;
  scale->GetValueRange(&minimum, &maximum);
  EXPECT_EQ(minimum, -ZORMathInfinite);
  EXPECT_EQ(maximum, ZORMathInfinite);
}

TEST_F(ModuleEntry, AdaptersAreDestroyedOnceAtZero) {
  const int session = ZORHostTesting::LiveComponentCount();
  ZORIClassFactory_var classFactory = ClassFactory();
  // The class factory adapter and its class object are all that the module made.
  EXPECT_EQ(ZORHostTesting::LiveComponentCount(), session + 2)
      << ZORHostTesting::DescribeLiveComponents();
  EXPECT_EQ(classFactory->AddRef(), 2u);
  EXPECT_EQ(classFactory->Release(), 1u);
  ZORIClassFactory_var second;
  {
    void* again = nullptr;
    ASSERT_EQ(classFactory->QueryInterface(IID_IClassFactory, &again), S_OK);
    EXPECT_EQ(again, classFactory.get());
    second = ZORIClassFactory_var::Adopt(static_cast<IClassFactory*>(again));
  }
  classFactory.Reset();
  EXPECT_EQ(ZORHostTesting::LiveComponentCount(), session + 2);
  EXPECT_EQ(second.Detach()->Release(), 0u);
  EXPECT_EQ(ZORHostTesting::LiveComponentCount(), session)
      << ZORHostTesting::DescribeLiveComponents();

  ZORIStColorScaleFactory_var factory = Factory();
  EXPECT_EQ(ZORHostTesting::LiveComponentCount(), session + 2)
      << ZORHostTesting::DescribeLiveComponents();
  EXPECT_EQ(factory.Detach()->Release(), 0u);
  EXPECT_EQ(ZORHostTesting::LiveComponentCount(), session);
}

TEST_F(ModuleEntry, AdaptersThatCannotBeBoundAreReleasedByTheirCreator) {
  // Called by name, as the runtime would, without the implementation (or the component an
  // extension needs): nothing is handed out and nothing stays alive.
  using CreationFunction = IUnknown* (*)(ZORBaseUnknown*, ZORBaseUnknown*);
  const int session = ZORHostTesting::LiveComponentCount();
  for (const char* name : {"CreateTIEIClassFactoryClassObjectZORStColorScaleFactoryImpl",
                           "CreateTIEZORIStColorScaleFactoryZORStColorScaleFactoryImpl",
                           "CreateTIEZORIStNewColorScaleZORStNewColorScale"}) {
    auto create = module_->Export<CreationFunction>(name);
    ASSERT_NE(create, nullptr) << name;
    EXPECT_EQ(create(nullptr, nullptr), nullptr) << name;
    EXPECT_EQ(ZORHostTesting::LiveComponentCount(), session)
        << name << "\n" << ZORHostTesting::DescribeLiveComponents();
  }
}

TEST_F(ModuleEntry, MetaObjectsAreLookedUpOnce) {
  using MetaObjectFunction = ZORMetaClass* (*)();
  const std::pair<const char*, const char*> adapters[] = {
      {"_ZN53TIEIClassFactoryClassObjectZORStColorScaleFactoryImpl10MetaObjectEv",
       "TIEIClassFactoryClassObjectZORStColorScaleFactoryImpl"},
      {"_ZN52TIEZORIStColorScaleFactoryZORStColorScaleFactoryImpl10MetaObjectEv",
       "TIEZORIStColorScaleFactoryZORStColorScaleFactoryImpl"},
      {"_ZN40TIEZORIStNewColorScaleZORStNewColorScale10MetaObjectEv",
       "TIEZORIStNewColorScaleZORStNewColorScale"}};
  for (const auto& [symbol, name] : adapters) {
    auto metaObject = module_->Export<MetaObjectFunction>(symbol);
    ASSERT_NE(metaObject, nullptr) << symbol;
    ZORMetaClass* first = metaObject();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(metaObject(), first);
    EXPECT_STREQ(first->Name(), name);
  }
  ZORIStNewColorScale_var scale = NewScale();
  ZORMetaClass* adapterMeta = scale->GetClassMetaObject();
  EXPECT_EQ(adapterMeta->TypeOfClass(), ZORClassExtensionAdapter);
  EXPECT_EQ(adapterMeta->InterfaceId(), IID_ZORIStNewColorScale);
  ZORMetaClass* colorScaleMeta = adapterMeta->ImplementationMeta();
  EXPECT_STREQ(colorScaleMeta->Name(), "ZORStNewColorScale");
  EXPECT_EQ(colorScaleMeta->TypeOfClass(), ZORClassExtension);
  EXPECT_STREQ(colorScaleMeta->ExtendedName(), "StNewColorScaleFeature");
  EXPECT_STREQ(colorScaleMeta->FrameworkName(), "ZORClassACoreResources");
  EXPECT_EQ(colorScaleMeta->Base(), ZORBaseUnknown::MetaObject());
}

// Load, use, release and unload, again and again, in one process.
TEST(ModuleLifetime, LoadsAndUnloadsRepeatedly) {
  for (int cycle = 0; cycle < 20; ++cycle) {
    std::unique_ptr<ZORModuleLibrary> module = LoadColorScaleModule();
    ASSERT_TRUE(module);
    ASSERT_EQ(module->RegistrationCount(), 3);
    {
      ZORHostSession session;
      auto getClassObject = module->Export<ZORDllGetClassObjectFunction>(kZORDllGetClassObjectName);
      void* classFactory = nullptr;
      ASSERT_EQ(getClassObject(CLSID_ZORStColorScaleFactory, IID_IClassFactory, &classFactory), S_OK);
      ZORIClassFactory_var owner = ZORIClassFactory_var::Adopt(static_cast<IClassFactory*>(classFactory));
      void* factory = nullptr;
      ASSERT_EQ(owner->CreateInstance(nullptr, IID_ZORIStColorScaleFactory, &factory), S_OK);
      ZORIStColorScaleFactory_var factoryOwner =
          ZORIStColorScaleFactory_var::Adopt(static_cast<ZORIStColorScaleFactory*>(factory));
      ZORIStNewColorScale_var scale = factoryOwner->CreateColorScale();
      ASSERT_TRUE(scale);
      EXPECT_EQ(scale->SetNumberOfBlocks(3), S_OK);
    }
    EXPECT_EQ(ZORHostTesting::LiveComponentCount(), 0) << ZORHostTesting::DescribeLiveComponents();
    module.reset();
    // Really gone: the loader no longer has it.
    EXPECT_EQ(dlopen(ZOR_MODULE_PATH, RTLD_NOW | RTLD_NOLOAD), nullptr);
  }
}

}  // namespace
