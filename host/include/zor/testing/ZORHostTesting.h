// Test controls of the host platform: fault injection, a log of attribute-store calls and the
// ledger of live components. For tests and test tools only; components never include it.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include "zor/ZORRuntime.h"

// Thrown by a host call that a test armed with ZORHostTesting::ThrowAt.
class ZORHOST_API ZORHostFault : public std::runtime_error {
 public:
  explicit ZORHostFault(const std::string& hostCall);
  ~ZORHostFault() override;
};

class ZORHOST_API ZORHostTesting {
 public:
  struct LiveComponent {
    std::string className;
    int references;
    const void* address;
  };

  // The ledger: components alive now and the references they hold. An IClassFactory adapter,
  // which keeps its own count, counts as one reference while it lives.
  static std::vector<LiveComponent> LiveComponents();
  static int LiveComponentCount();
  static long OutstandingReferences();
  static std::string DescribeLiveComponents();

  // While on, components are not freed when destroyed: their memory is kept and marked, so that
  // a component released once too often aborts with a message naming its class instead of
  // corrupting memory. For death tests.
  static void SetZombieMode(bool on);

  // FindKey answers null for this key, on every feature.
  static void HideKey(const std::string& key);
  // CreateParameter hands out empty handles once it has made `successes` more parameters.
  static void FailParameterCreation(int successes);
  // The named host call throws ZORHostFault once it has been passed `passes` more times.
  // Names: GetPartContainer, GetInstantiationTarget, Instanciate, GetDocumentFromSpec,
  // GetStDynAnalysisFactory, GetGeometricalFactory, CreateParameter, FindKey, GetListMember,
  // SetListMember, GetRepository, WriteSetting, ReadSetting, GetLegacyScaleArrays.
  static void ThrowAt(const std::string& hostCall, int passes = 0);
  static void ClearFaults();

  // ZORCreateStColorScaleFactory finds no factory while this is on.
  static void WithholdColorScaleFactory(bool on);

  // Features do not answer for their attribute store while this is on.
  static void WithholdAttributeStore(bool on);

  // Knowledge parameters made by analysis factories and removed through LifeCycleObject.
  static int ParametersCreated();
  static int ParametersRemoved();

  // While recording, every write and removal of the attribute store is logged as one line,
  // such as "SetInteger ImposedColorsIndexList 0 3" or "RemoveListMember RedColorList 7" or
  // "Remove parameter".
  static void RecordStoreCalls(bool on);
  static std::vector<std::string> TakeStoreLog();

  // Called after each step of every repository save ("open", "write" once per chunk, "flush",
  // "fsync", "rename", "sync folder"); null for none. A test stops a saving child there.
  static void SetSaveStepHook(void (*hook)(const char* step));
  // Saves skip their fsync calls while this is off (for tools that save very often and need no
  // durability, such as fuzzers); on by default.
  static void SetSaveSync(bool on);

  // Subscriptions to `eventName` on `publisher`.
  static int SubscriptionCount(ZORBaseUnknown* publisher, const char* eventName);

  // The implementation classes a module record registered, in order.
  static std::vector<std::string> RegisteredClassNames(const ZOROMModule& record);
};
