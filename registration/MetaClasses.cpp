#include "registration/MetaClasses.h"

#include "colorscale/ZORStNewColorScale.h"
#include "factory/ZORStColorScaleFactoryImpl.h"
#include "registration/ClassObject.h"

namespace {

// Module-static caches: each starts null and is filled by its first look-up.
std::atomic<ZORMetaClass*> classObjectMeta{nullptr};
std::atomic<ZORMetaClass*> factoryMeta{nullptr};
std::atomic<ZORMetaClass*> colorScaleMeta{nullptr};

// clang-format off
constexpr ZORClassRow kClassObjectRow = {
  "ClassObjectZORStColorScaleFactoryImpl", ZORClassImplementation, nullptr,
  "ZorNull", "ZORClassACoreResources", sizeof(ClassObjectZORStColorScaleFactoryImpl)};
constexpr ZORClassRow kFactoryRow = {
  "ZORStColorScaleFactoryImpl", ZORClassImplementation, &ZORBaseUnknown::MetaObject,
  "ZORNull", "ZORClassACoreResources", sizeof(ZORStColorScaleFactoryImpl)};
constexpr ZORClassRow kColorScaleRow = {
  "ZORStNewColorScale", ZORClassExtension, &ZORBaseUnknown::MetaObject,
  "StNewColorScaleFeature", "ZORClassACoreResources", sizeof(ZORStNewColorScale)};
// clang-format on

}  // namespace

ZORMetaClass* LookUpMetaClass(std::atomic<ZORMetaClass*>& cache, const ZORClassRow& row) {
  if (ZORMetaClass* cached = cache.load(std::memory_order_acquire)) return cached;
  qrn::internal::om_guard guard;
  if (cache.load(std::memory_order_relaxed) == nullptr) {
    ZORMetaClass* base = row.baseMeta != nullptr ? row.baseMeta() : nullptr;
    cache.store(qrn::internal::fct_RetrieveMetaObject(row.className, row.typeOfClass, base,
                                                      row.extendedName, row.frameworkName,
                                                      row.instanceSize),
                std::memory_order_release);
  }
  return cache.load(std::memory_order_relaxed);
}

ZORMetaClass* LookUpAdapterMetaObject(std::atomic<ZORMetaClass*>& cache,
                                      const ZORAdapterRow& row) {
  if (ZORMetaClass* cached = cache.load(std::memory_order_acquire)) return cached;
  qrn::internal::om_guard guard;
  if (cache.load(std::memory_order_relaxed) == nullptr) {
    ZORMetaClass* interfaceMeta = row.interfaceMeta != nullptr ? row.interfaceMeta() : nullptr;
    cache.store(qrn::internal::Tie_InitMetaObject(*row.iid, row.interfaceName, interfaceMeta,
                                                  row.implementationMeta(), row.typeOfClass),
                std::memory_order_release);
  }
  return cache.load(std::memory_order_relaxed);
}

ZORMetaClass* ClassObjectMetaClass() { return LookUpMetaClass(classObjectMeta, kClassObjectRow); }
ZORMetaClass* FactoryMetaClass() { return LookUpMetaClass(factoryMeta, kFactoryRow); }
ZORMetaClass* ColorScaleMetaClass() { return LookUpMetaClass(colorScaleMeta, kColorScaleRow); }
