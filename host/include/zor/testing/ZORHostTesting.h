// Test controls of the host platform: fault injection, a log of attribute-store calls and the
// ledger of live components. They live in the test library ZORHostTesting, which installs the
// host's seam (zor/testing/ZORHostSeam.h) when the program starts; host programs and components
// never link it.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include "zor/ZORRuntime.h"
#include "zor/testing/ZORHostSeam.h"

// Thrown by a host call that a test armed with ZORHostTesting::ThrowAt.
class ZORHostFault : public std::runtime_error {
 public:
  explicit ZORHostFault(ZORHostCall call);
  ~ZORHostFault() override;
};

// The name of a host call, as messages give it.
const char* ZORHostCallName(ZORHostCall call);

class ZORHostTesting {
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
  // The host call throws ZORHostFault once it has been passed `passes` more times.
  static void ThrowAt(ZORHostCall call, int passes = 0);
  // The host call fails once, as the host lets it fail, after it has been passed `passes` more
  // times.
  static void FailAt(ZORHostCall call, int passes = 0);
  // The host call fails, as the host lets it fail, while withheld: everywhere, or for the
  // services of one document.
  static void Withhold(ZORHostCall call, bool on = true);
  static void Withhold(ZORHostCall call, const ZORDocument* document, bool on = true);
  static void ClearFaults();

  // Knowledge parameters made by analysis factories and removed through LifeCycleObject.
  static int ParametersCreated();
  static int ParametersRemoved();

  // How many times a document's analysis factory was given a document, and the last one.
  static int SetDocumentCalls(const ZORDocument* owner);
  static ZORDocument* AnalysisFactoryDocument(const ZORDocument* owner);

  // While recording, every write and removal of the attribute store is logged as one line,
  // such as "SetInteger ImposedColorsIndexList 0 3" or "RemoveListMember RedColorList 7" or
  // "Remove parameter".
  static void RecordStoreCalls(bool on);
  static std::vector<std::string> TakeStoreLog();

  // Called after each step of every repository save; null for none. A test stops a saving
  // child there.
  static void SetSaveStepHook(void (*hook)(const char* step));
  // Saves skip their fsync calls while this is off (for tools that save very often and need no
  // durability, such as fuzzers); on by default.
  static void SetSaveSync(bool on);
};
