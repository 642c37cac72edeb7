// The ledger of live components, fault injection and the store log.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <utility>
#include <sstream>
#include <unordered_map>
#include <vector>

#include "Faults.h"
#include "Ledger.h"
#include "RuntimeInternal.h"
#include "SettingsInternal.h"
#include "zor/testing/ZORHostTesting.h"

namespace {

struct LedgerState {
  std::mutex mutex;
  std::unordered_map<const void*, ZORBaseUnknown*> components;
  std::unordered_map<const void*, IUnknown*> adapters;
};

LedgerState& Ledger() {
  static LedgerState* state = new LedgerState;
  return *state;
}

struct FaultState {
  std::mutex mutex;
  std::vector<std::string> hiddenKeys;
  int parameterSuccessesLeft = -1;  // -1: creation never fails
  std::string throwingCall;
  int throwPassesLeft = -1;
  int parametersCreated = 0;
  int parametersRemoved = 0;
  bool attributeStoreWithheld = false;
  bool colorScaleFactoryWithheld = false;
  std::vector<std::string> storeLog;
};

FaultState& Faults() {
  static FaultState* state = new FaultState;
  return *state;
}

void UpdateArmed(FaultState& state) {
  ZORFaults::armed = !state.hiddenKeys.empty() || state.parameterSuccessesLeft >= 0 ||
                     state.throwPassesLeft >= 0 || state.attributeStoreWithheld ||
                     state.colorScaleFactoryWithheld;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Ledger

void ZORLedger::ComponentBorn(ZORBaseUnknown* component) {
  LedgerState& state = Ledger();
  std::lock_guard lock(state.mutex);
  state.components[component] = component;
}

void ZORLedger::ComponentDied(ZORBaseUnknown* component) {
  LedgerState& state = Ledger();
  std::lock_guard lock(state.mutex);
  state.components.erase(component);
}

void ZORLedger::AdapterBorn(IUnknown* adapter) {
  LedgerState& state = Ledger();
  std::lock_guard lock(state.mutex);
  state.adapters[adapter] = adapter;
}

void ZORLedger::AdapterDied(IUnknown* adapter) {
  LedgerState& state = Ledger();
  std::lock_guard lock(state.mutex);
  state.adapters.erase(adapter);
}

namespace {

struct ZombieState {
  std::atomic<bool> on{false};
  std::mutex mutex;
  std::unordered_map<const void*, std::string> classes;  // dying and destroyed components
};

ZombieState& Zombies() {
  static ZombieState* state = new ZombieState;
  return *state;
}

// The table of the component root, copied into destroyed components so that a call on one
// reaches the root's operations, which see a count of 0.
void* RootTable() {
  class Root final : public ZORBaseUnknown {
   public:
    Root() : ZORBaseUnknown(FacetTag{}) {}
  };
  static Root* prototype = new Root;
  void* table = nullptr;
  std::memcpy(&table, static_cast<void*>(static_cast<ZORBaseUnknown*>(prototype)), sizeof table);
  return table;
}

}  // namespace

void* ZORLedger::Allocate(std::size_t size) noexcept { return std::malloc(size); }

void ZORLedger::Free(void* memory) noexcept {
  if (memory == nullptr || !Zombies().on.load(std::memory_order_relaxed)) {
    std::free(memory);
    return;
  }
  void* table = RootTable();
  std::memcpy(memory, &table, sizeof table);
}

void ZORLedger::Dying(const void* component, const char* className) {
  ZombieState& state = Zombies();
  if (!state.on.load(std::memory_order_relaxed)) return;
  std::lock_guard lock(state.mutex);
  state.classes[component] = className != nullptr ? className : "";
}

const char* ZORLedger::ZombieClass(const void* component) {
  ZombieState& state = Zombies();
  std::lock_guard lock(state.mutex);
  auto found = state.classes.find(component);
  return found != state.classes.end() ? found->second.c_str() : nullptr;
}

void ZORHostTesting::SetZombieMode(bool on) {
  RootTable();
  Zombies().on = on;
}

std::vector<ZORHostTesting::LiveComponent> ZORHostTesting::LiveComponents() {
  LedgerState& state = Ledger();
  std::vector<ZORBaseUnknown*> components;
  std::vector<const void*> adapters;
  {
    std::lock_guard lock(state.mutex);
    for (const auto& [address, component] : state.components) components.push_back(component);
    for (const auto& [address, adapter] : state.adapters) adapters.push_back(address);
  }
  std::vector<LiveComponent> live;
  for (ZORBaseUnknown* component : components) {
    live.push_back({component->IsA(), ZORRuntime::ReferenceCount(component), component});
  }
  for (const void* adapter : adapters) live.push_back({"IClassFactory adapter", 1, adapter});
  std::sort(live.begin(), live.end(),
            [](const LiveComponent& a, const LiveComponent& b) { return a.className < b.className; });
  return live;
}

int ZORHostTesting::LiveComponentCount() { return static_cast<int>(LiveComponents().size()); }

long ZORHostTesting::OutstandingReferences() {
  long total = 0;
  for (const LiveComponent& component : LiveComponents()) total += component.references;
  return total;
}

std::string ZORHostTesting::DescribeLiveComponents() {
  std::ostringstream text;
  for (const LiveComponent& component : LiveComponents()) {
    text << component.className << " (" << component.references << " references)\n";
  }
  return text.str();
}

std::vector<std::string> ZORHostTesting::RegisteredClassNames(const ZOROMModule& record) {
  namespace walk = ZORModuleWalk;
  return walk::RegisteredClassNames(&record);
}

// ---------------------------------------------------------------------------------------------
// Faults

std::atomic<bool> ZORFaults::armed{false};

ZORHostFault::ZORHostFault(const std::string& hostCall)
    : std::runtime_error("injected fault in " + hostCall) {}
ZORHostFault::~ZORHostFault() = default;

void ZORHostTesting::HideKey(const std::string& key) {
  FaultState& state = Faults();
  std::lock_guard lock(state.mutex);
  state.hiddenKeys.push_back(key);
  UpdateArmed(state);
}

void ZORHostTesting::FailParameterCreation(int successes) {
  FaultState& state = Faults();
  std::lock_guard lock(state.mutex);
  state.parameterSuccessesLeft = std::max(successes, 0);
  UpdateArmed(state);
}

void ZORHostTesting::ThrowAt(const std::string& hostCall, int passes) {
  FaultState& state = Faults();
  std::lock_guard lock(state.mutex);
  state.throwingCall = hostCall;
  state.throwPassesLeft = std::max(passes, 0);
  UpdateArmed(state);
}

void ZORHostTesting::ClearFaults() {
  FaultState& state = Faults();
  std::lock_guard lock(state.mutex);
  state.hiddenKeys.clear();
  state.parameterSuccessesLeft = -1;
  state.throwingCall.clear();
  state.throwPassesLeft = -1;
  state.attributeStoreWithheld = false;
  state.colorScaleFactoryWithheld = false;
  UpdateArmed(state);
}

void ZORHostTesting::WithholdColorScaleFactory(bool on) {
  FaultState& state = Faults();
  std::lock_guard lock(state.mutex);
  state.colorScaleFactoryWithheld = on;
  UpdateArmed(state);
}

bool ZORFaults::ColorScaleFactoryWithheld() {
  FaultState& state = Faults();
  std::lock_guard lock(state.mutex);
  return state.colorScaleFactoryWithheld;
}

void ZORHostTesting::WithholdAttributeStore(bool on) {
  FaultState& state = Faults();
  std::lock_guard lock(state.mutex);
  state.attributeStoreWithheld = on;
  UpdateArmed(state);
}

bool ZORFaults::AttributeStoreWithheld() {
  FaultState& state = Faults();
  std::lock_guard lock(state.mutex);
  return state.attributeStoreWithheld;
}

int ZORHostTesting::ParametersCreated() {
  FaultState& state = Faults();
  std::lock_guard lock(state.mutex);
  return state.parametersCreated;
}

int ZORHostTesting::ParametersRemoved() {
  FaultState& state = Faults();
  std::lock_guard lock(state.mutex);
  return state.parametersRemoved;
}

bool ZORFaults::KeyHidden(const char* key) {
  FaultState& state = Faults();
  std::lock_guard lock(state.mutex);
  return std::find(state.hiddenKeys.begin(), state.hiddenKeys.end(), key) !=
         state.hiddenKeys.end();
}

bool ZORFaults::ParameterCreationFails() {
  FaultState& state = Faults();
  std::lock_guard lock(state.mutex);
  if (state.parameterSuccessesLeft == 0) return true;
  if (state.parameterSuccessesLeft > 0) --state.parameterSuccessesLeft;
  ++state.parametersCreated;
  return false;
}

void ZORFaults::NoteParameterRemoved() {
  FaultState& state = Faults();
  std::lock_guard lock(state.mutex);
  ++state.parametersRemoved;
}

void ZORFaultPoint(const char* hostCall) {
  if (!ZORFaults::armed.load(std::memory_order_relaxed)) return;
  FaultState& state = Faults();
  {
    std::lock_guard lock(state.mutex);
    if (state.throwPassesLeft < 0 || state.throwingCall != hostCall) return;
    if (state.throwPassesLeft > 0) {
      --state.throwPassesLeft;
      return;
    }
    state.throwPassesLeft = -1;
    state.throwingCall.clear();
    UpdateArmed(state);
  }
  throw ZORHostFault(hostCall);
}

// ---------------------------------------------------------------------------------------------
// Store log

std::atomic<bool> ZORStoreLog::recording{false};

void ZORStoreLog::Record(std::string line) {
  FaultState& state = Faults();
  std::lock_guard lock(state.mutex);
  state.storeLog.push_back(std::move(line));
}

void ZORHostTesting::RecordStoreCalls(bool on) {
  ZORStoreLog::recording = on;
  if (!on) TakeStoreLog();
}

std::vector<std::string> ZORHostTesting::TakeStoreLog() {
  FaultState& state = Faults();
  std::lock_guard lock(state.mutex);
  return std::exchange(state.storeLog, {});
}

// ---------------------------------------------------------------------------------------------
// Save steps

namespace {
std::atomic<void (*)(const char*)> saveStepHook{nullptr};
}  // namespace

void ZORHostTesting::SetSaveStepHook(void (*hook)(const char* step)) { saveStepHook = hook; }

namespace {
std::atomic<bool> saveSyncs{true};
}  // namespace

void ZORHostTesting::SetSaveSync(bool on) { saveSyncs = on; }
bool ZORSettings::SaveSyncs() { return saveSyncs.load(std::memory_order_relaxed); }

void ZORSettings::SaveStep(const char* step) {
  if (auto hook = saveStepHook.load(std::memory_order_relaxed)) hook(step);
}
