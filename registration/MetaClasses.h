// The meta-classes of the module's classes and the meta-objects of its adapters, each created
// once under the object model's guard and kept for the life of the module.
#pragma once

#include <atomic>
#include <cstddef>

#include "zor/ZORRuntime.h"

// One row of the module's class table.
struct ZORClassRow {
  const char* className;
  int typeOfClass;
  ZORMetaClass* (*baseMeta)();  // null: no base
  const char* extendedName;
  const char* frameworkName;
  std::size_t instanceSize;
};

// One row of the module's adapter table.
struct ZORAdapterRow {
  const GUID* iid;
  const char* interfaceName;
  ZORMetaClass* (*interfaceMeta)();  // null: the interface has no meta-class of the host's
  ZORMetaClass* (*implementationMeta)();
  int typeOfClass;
};

// Returns the cached meta-class, creating it from the row under the guard when the cache is
// empty. A filled cache is read without the guard.
ZORMetaClass* LookUpMetaClass(std::atomic<ZORMetaClass*>& cache, const ZORClassRow& row);
ZORMetaClass* LookUpAdapterMetaObject(std::atomic<ZORMetaClass*>& cache, const ZORAdapterRow& row);

ZORMetaClass* ClassObjectMetaClass();
ZORMetaClass* FactoryMetaClass();
ZORMetaClass* ColorScaleMetaClass();
