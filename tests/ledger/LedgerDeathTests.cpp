// Releasing a component once too often aborts with a message naming what was released, for
// each kind of adapter the module makes and for a plain component.
#include <cstdlib>
#include <cstring>
#include <malloc.h>

#include <new>

#include "support/ZORTestSupport.h"

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ZOR_ADDRESS_SANITIZER 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define ZOR_ADDRESS_SANITIZER 1
#endif

#if !defined(ZOR_ADDRESS_SANITIZER)
// The IClassFactory adapter is freed with the language's own operator delete. While zombies are
// kept, freed memory is kept too and its first word is turned into the table of an object whose
// every counting operation reports the over-release.
namespace {

bool keepFreedMemory = false;

struct ZombieClassFactory final : IClassFactory {
  [[noreturn]] static void Report() {
    std::fputs("zor test: an IClassFactory adapter was released once too often (it was "
               "already destroyed)\n",
               stderr);
    std::abort();
  }
  HRESULT QueryInterface(const GUID&, void**) override { Report(); }
  std::uint32_t AddRef() override { Report(); }
  std::uint32_t Release() override { Report(); }
  HRESULT CreateInstance(IUnknown*, const GUID&, void**) override { Report(); }
  HRESULT LockServer(int) override { Report(); }
};

void Bury(void* memory) {
  static ZombieClassFactory prototype;
  std::memcpy(memory, static_cast<void*>(&prototype), sizeof(void*));
}

}  // namespace

void* operator new(std::size_t size) {
  if (void* memory = std::malloc(size != 0 ? size : 1)) return memory;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
  if (void* memory = std::malloc(size != 0 ? size : 1)) return memory;
  throw std::bad_alloc();
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return std::malloc(size != 0 ? size : 1); }
namespace {
void Release(void* memory) noexcept {
  if (memory != nullptr && keepFreedMemory && malloc_usable_size(memory) >= sizeof(void*)) {
    Bury(memory);
    return;
  }
  std::free(memory);
}
}  // namespace
void operator delete(void* memory) noexcept { Release(memory); }
void operator delete(void* memory, std::size_t) noexcept { Release(memory); }
void operator delete[](void* memory) noexcept { Release(memory); }
void operator delete[](void* memory, std::size_t) noexcept { Release(memory); }
#endif

namespace {

using LedgerDeathTest = ZORModuleTest;

TEST_F(LedgerDeathTest, ColorScaleAdapter) {
  ZORIStNewColorScale_var scale = NewScale();
  EXPECT_DEATH(
      {
        ZORHostTesting::SetZombieMode(true);
        ZORIStNewColorScale* raw = scale.Detach();
        raw->Release();
        raw->Release();
      },
      "TIEZORIStNewColorScaleZORStNewColorScale at 0x[0-9a-f]+ was released once too often");
}

TEST_F(LedgerDeathTest, FactoryAdapter) {
  ZORIStColorScaleFactory_var factory = Factory();
  EXPECT_DEATH(
      {
        ZORHostTesting::SetZombieMode(true);
        ZORIStColorScaleFactory* raw = factory.Detach();
        raw->Release();
        raw->Release();
      },
      "TIEZORIStColorScaleFactoryZORStColorScaleFactoryImpl at 0x[0-9a-f]+ was released once "
      "too often");
}

#if defined(ZOR_ADDRESS_SANITIZER)
// Under AddressSanitizer the freed adapter is its to report.
constexpr const char* kClassFactoryReport = "heap-use-after-free";
void KeepFreedMemory() {}
#else
constexpr const char* kClassFactoryReport = "an IClassFactory adapter was released once too often";
void KeepFreedMemory() { keepFreedMemory = true; }
#endif

TEST_F(LedgerDeathTest, ClassFactoryAdapter) {
  ZORIClassFactory_var classFactory = ClassFactory();
  EXPECT_DEATH(
      {
        KeepFreedMemory();
        IClassFactory* raw = classFactory.Detach();
        raw->Release();
        raw->Release();
      },
      kClassFactoryReport);
}

class Plain : public ZORBaseUnknown {};

TEST_F(LedgerDeathTest, PlainComponent) {
  EXPECT_DEATH(
      {
        ZORHostTesting::SetZombieMode(true);
        auto* component = new Plain;
        component->Release();
        component->Release();
      },
      "released once too often \\(it was destroyed when its count reached 0\\)");
}

}  // namespace
