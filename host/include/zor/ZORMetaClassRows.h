// A module's classes and adapters as rows of constants, and the look-up that creates each
// meta-class once from its row, under the object model's guard, into a cache of the module's.
#pragma once

#include <atomic>
#include <cstddef>

#include "zor/ZORRuntime.h"

// The arguments of qrn::internal::fct_RetrieveMetaObject for one implementation class.
struct ZORClassRow {
  const char* className;
  int typeOfClass;
  ZORMetaClass* (*baseMeta)();  // null: no base
  const char* extendedName;
  const char* frameworkName;
  std::size_t instanceSize;
};

// The arguments of qrn::internal::Tie_InitMetaObject for one adapter class.
struct ZORAdapterRow {
  const GUID* iid;
  const char* interfaceName;
  ZORMetaClass* (*interfaceMeta)();  // null: the interface has no meta-class of the host's
  ZORMetaClass* (*implementationMeta)();
  int typeOfClass;
};

// The cached meta-class; the first look-up creates it from the row under the guard. A filled
// cache is read without the guard.
inline ZORMetaClass* ZORLookUpMetaClass(std::atomic<ZORMetaClass*>& cache, const ZORClassRow& row) {
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

inline ZORMetaClass* ZORLookUpMetaClass(std::atomic<ZORMetaClass*>& cache,
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
