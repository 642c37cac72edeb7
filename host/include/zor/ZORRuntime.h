// The component runtime: module records, meta-classes, the interface dictionary, adapter
// bookkeeping and notifications.
#pragma once

#include <cstddef>

#include "zor/ZORBaseUnknown.h"

class ZOROMModule;

// An entry of a module's registration list.
using ZORRegistrationFunction = ZOROMModule* (*)();
// Builds the adapter that binds an interface to an implementation.
using ZORAdapterCreationFunction = IUnknown* (*)(ZORBaseUnknown* implementation,
                                                  ZORBaseUnknown* secondary);
// Builds an implementation object when the runtime needs one: the extension of `extended`, born
// with one reference. Null when it could not be made.
using ZORInstanceCreationFunction = ZORBaseUnknown* (*)(ZORBaseUnknown* extended);

struct ZOROMModuleInfo {
  const ZORRegistrationFunction* begin;  // entry 0 of the registration list
  const ZORRegistrationFunction* end;    // one past the last entry
};

// A module's record, built during the module's static initialisation. It announces the
// registration list to the runtime; when the module is unloaded it takes back everything that
// was registered through it.
class ZORHOST_API ZOROMModule {
 public:
  explicit ZOROMModule(const ZOROMModuleInfo& info);
  ~ZOROMModule();
  ZOROMModule(const ZOROMModule&) = delete;
  ZOROMModule& operator=(const ZOROMModule&) = delete;

  const ZOROMModuleInfo& Info() const { return info_; }

 private:
  ZOROMModuleInfo info_;
};

namespace qrn::internal {

// Finds or creates the meta-class of an implementation class.
ZORHOST_API ZORMetaClass* fct_RetrieveMetaObject(const char* className, int typeOfClass,
                                                 ZORMetaClass* base, const char* extendedName,
                                                 const char* frameworkName,
                                                 std::size_t instanceSize);
// Finds or creates the meta-object of an adapter class.
ZORHOST_API ZORMetaClass* Tie_InitMetaObject(const GUID& iid, const char* interfaceName,
                                             ZORMetaClass* interfaceMeta,
                                             ZORMetaClass* implementationMeta, int typeOfClass);

// The object model's guard: held while a meta-class is created. It may be taken again by the
// thread that holds it.
class ZORHOST_API om_guard {
 public:
  om_guard();
  ~om_guard();
  om_guard(const om_guard&) = delete;
  om_guard& operator=(const om_guard&) = delete;
};

}  // namespace qrn::internal

class ZORHOST_API ZORFillDictionary {
 public:
  // Binds an implementation and an interface to the function that builds their adapter. The
  // fourth argument (an alternative creation function) and the fifth (a registration flag) are
  // recorded for the caller's sake and do not change what the runtime does.
  static bool Register(ZORMetaClass* implementationMeta, ZORMetaClass* interfaceMeta,
                       ZORAdapterCreationFunction create, ZORAdapterCreationFunction alternative,
                       int flag);
};

// Adapter bookkeeping for adapters that keep their own fields (the IClassFactory kind). Each
// Tie_Construct returns a failure when the adapter cannot be bound (no implementation, or an
// extension that cannot be made); the adapter's creator then releases the unbound adapter.
ZORHOST_API HRESULT Tie_Construct(IUnknown* adapter, ZORMetaClass* adapterMeta,
                                  ZORBaseUnknown** implementationField, int reserved,
                                  ZORBaseUnknown* implementation, const GUID& classId,
                                  int implementationTypeOfClass, ZORBaseUnknown*& staticSlot,
                                  ZORInstanceCreationFunction create, ZORBaseUnknown* secondary,
                                  ZORBaseUnknown** secondaryField);
ZORHOST_API HRESULT Tie_Query(IUnknown* adapter, ZORBaseUnknown* implementation,
                              ZORBaseUnknown* secondary, ZORMetaClass* adapterMeta, int reserved,
                              const GUID& iid, void** object);
ZORHOST_API std::uint32_t Tie_Release(int* destroy, ZORBaseUnknown** implementationField,
                                      ZORBaseUnknown* secondary, int typeOfClass,
                                      std::int32_t* referenceCount);
ZORHOST_API void Tie_Destruct(IUnknown* adapter, ZORBaseUnknown** implementationField,
                              int typeOfClass, std::int32_t referenceCount);

// Adapter bookkeeping for adapters derived from ZORBaseUnknown, whose implementation pointer and
// count the runtime keeps in the base.
ZORHOST_API HRESULT Tie_Construct(ZORBaseUnknown* adapter, ZORMetaClass* adapterMeta,
                                  ZORBaseUnknown* implementation, const GUID& classId,
                                  int implementationTypeOfClass, ZORBaseUnknown*& staticSlot,
                                  ZORInstanceCreationFunction create, ZORBaseUnknown* secondary);
// The adapter already built for this interface of this component, with a reference added; null
// when there is none.
ZORHOST_API IUnknown* Tie_Link(ZORBaseUnknown* implementation, ZORBaseUnknown* secondary,
                               const GUID& iid);
ZORHOST_API HRESULT Tie_Query(ZORBaseUnknown* adapter, ZORMetaClass* adapterMeta, int reserved,
                              const GUID& iid, void** object);
ZORHOST_API std::uint32_t Tie_Release(int* destroy, ZORBaseUnknown* adapter, int typeOfClass);
ZORHOST_API void Tie_Destruct(ZORBaseUnknown* adapter, int typeOfClass);

// Common to both kinds.
ZORHOST_API std::uint32_t Tie_AddRef(ZORBaseUnknown* implementation, int typeOfClass,
                                     std::int32_t* referenceCount);

// Notifications. A subscriber's member operation is called with the event name, the object the
// notification is about, the notification, the client data and the subscription id.
class ZORNotification;
using ZORCallbackMethod = void (ZORBaseUnknown::*)(const char* eventName, void* about,
                                                   ZORNotification* notification,
                                                   void* clientData, int id);

ZORHOST_API int AddCallback(ZORBaseUnknown* subscriber, ZORBaseUnknown* publisher,
                            const char* eventName, ZORCallbackMethod method, void* clientData);
ZORHOST_API void RemoveCallbacksOn(ZORBaseUnknown* subscriber, ZORBaseUnknown* publisher,
                                   const char* eventName, void* clientData);
// Calls every subscription of `publisher` to `eventName`. A subscription removed during the
// dispatch is not called afterwards.
// How many subscriptions `publisher` has to `eventName`.
ZORHOST_API int CountCallbacks(ZORBaseUnknown* publisher, const char* eventName);
ZORHOST_API void PublishNotification(ZORBaseUnknown* publisher, const char* eventName,
                                     void* about, ZORNotification* notification);
