// The host platform's test library: the ledger of live components, fault injection, the store
// log and the save hooks, behind the host's seam.
#include "zor/testing/ZORHostTesting.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <set>
#include <sstream>
#include <unordered_map>
#include <utility>

#include "RuntimeInternal.h"
#include "zor/ZORHostSession.h"

namespace {

struct CallName {
  ZORHostCall call;
  const char* name;
};
constexpr CallName kCallNames[] = {
    {ZORHostCall::GetPartContainer, "GetPartContainer"},
    {ZORHostCall::GetInstantiationTarget, "GetInstantiationTarget"},
    {ZORHostCall::Instanciate, "Instanciate"},
    {ZORHostCall::GetDocumentFromSpec, "GetDocumentFromSpec"},
    {ZORHostCall::GetStDynAnalysisFactory, "GetStDynAnalysisFactory"},
    {ZORHostCall::GetGeometricalFactory, "GetGeometricalFactory"},
    {ZORHostCall::CreateParameter, "CreateParameter"},
    {ZORHostCall::FindKey, "FindKey"},
    {ZORHostCall::GetListMember, "GetListMember"},
    {ZORHostCall::SetListMember, "SetListMember"},
    {ZORHostCall::QueryAttributeStore, "QueryInterface(ZORISpecAttrAccess)"},
    {ZORHostCall::GetRepository, "GetRepository"},
    {ZORHostCall::WriteSetting, "WriteSetting"},
    {ZORHostCall::ReadSetting, "ReadSetting"},
    {ZORHostCall::GetLegacyScaleArrays, "GetLegacyScaleArrays"},
    {ZORHostCall::CreateColorScaleFactory, "ZORCreateStColorScaleFactory"},
    {ZORHostCall::RenameFile, "rename"},
};

struct AnalysisFactoryUse {
  int calls = 0;
  ZORDocument* last = nullptr;
};

class TestingSeam final : public ZORHostSeam {
 public:
  // Faults.
  bool CallFails(ZORHostCall call, const char* key, const ZORDocument* document) override {
    std::unique_lock lock(mutex_);
    if (throwPassesLeft_ >= 0 && throwingCall_ == call) {
      if (throwPassesLeft_ > 0) {
        --throwPassesLeft_;
      } else {
        throwPassesLeft_ = -1;
        lock.unlock();
        throw ZORHostFault(call);
      }
    }
    if (failPassesLeft_ >= 0 && failingCall_ == call) {
      if (failPassesLeft_-- == 0) return true;
    }
    if (call == ZORHostCall::FindKey && key != nullptr && hiddenKeys_.count(key) != 0) return true;
    if (withheld_.count({call, nullptr}) != 0) return true;
    if (document != nullptr && withheld_.count({call, document}) != 0) return true;
    if (call == ZORHostCall::CreateParameter) {
      if (parameterSuccessesLeft_ == 0) return true;
      if (parameterSuccessesLeft_ > 0) --parameterSuccessesLeft_;
      ++parametersCreated_;
    }
    return false;
  }

  // The ledger.
  void ComponentBorn(const ZORBaseUnknown* component) override {
    std::lock_guard lock(mutex_);
    components_.insert(component);
  }
  void ComponentDied(const ZORBaseUnknown* component) override {
    std::lock_guard lock(mutex_);
    components_.erase(component);
    // What was said of a document ends with it: its address may serve another one later.
    analysisFactoryUses_.erase(component);
    std::erase_if(withheld_, [component](const auto& entry) { return entry.second == component; });
  }
  void AdapterBorn(const IUnknown* adapter) override {
    std::lock_guard lock(mutex_);
    adapters_.insert(adapter);
  }
  void AdapterDied(const IUnknown* adapter) override {
    std::lock_guard lock(mutex_);
    adapters_.erase(adapter);
  }
  void Dying(const void* component, const char* className) override {
    if (!zombies_.load(std::memory_order_relaxed)) return;
    std::lock_guard lock(mutex_);
    destroyedClasses_[component] = className != nullptr ? className : "";
  }
  bool KeepsFreedMemory(void* memory) override {
    if (!zombies_.load(std::memory_order_relaxed)) return false;
    // A call on the destroyed component reaches the root's operations, which see a count of 0.
    void* table = RootTable();
    std::memcpy(memory, &table, sizeof table);
    return true;
  }
  const char* DestroyedClass(const void* component) override {
    std::lock_guard lock(mutex_);
    auto found = destroyedClasses_.find(component);
    return found != destroyedClasses_.end() ? found->second.c_str() : nullptr;
  }
  void SetZombieMode(bool on) {
    RootTable();
    zombies_ = on;
  }

  // The store log and the document observations.
  bool RecordsStoreCalls() override { return recording_.load(std::memory_order_relaxed); }
  void StoreCall(std::string line) override {
    std::lock_guard lock(mutex_);
    storeLog_.push_back(std::move(line));
  }
  void ParameterRemoved() override {
    std::lock_guard lock(mutex_);
    ++parametersRemoved_;
  }
  void AnalysisFactoryDocumentSet(const ZORDocument* owner, ZORDocument* given) override {
    std::lock_guard lock(mutex_);
    AnalysisFactoryUse& use = analysisFactoryUses_[owner];
    ++use.calls;
    use.last = given;
  }

  // Saves.
  void SaveStep(const char* step) override {
    if (auto hook = saveStepHook_.load(std::memory_order_relaxed)) hook(step);
  }
  bool SaveSyncs() override { return saveSyncs_.load(std::memory_order_relaxed); }

  std::mutex mutex_;
  std::set<const ZORBaseUnknown*> components_;
  std::set<const IUnknown*> adapters_;
  std::unordered_map<const void*, std::string> destroyedClasses_;
  std::set<std::string, std::less<>> hiddenKeys_;
  // Documents are kept as the components they are, so that their death can be noticed.
  std::set<std::pair<ZORHostCall, const ZORBaseUnknown*>> withheld_;
  ZORHostCall throwingCall_ = ZORHostCall::GetPartContainer;
  int throwPassesLeft_ = -1;     // -1: no call throws
  ZORHostCall failingCall_ = ZORHostCall::GetPartContainer;
  int failPassesLeft_ = -1;      // -1: no call fails once
  int parameterSuccessesLeft_ = -1;  // -1: creation never fails
  int parametersCreated_ = 0;
  int parametersRemoved_ = 0;
  std::map<const ZORBaseUnknown*, AnalysisFactoryUse> analysisFactoryUses_;
  std::vector<std::string> storeLog_;
  std::atomic<bool> recording_{false};
  std::atomic<bool> zombies_{false};
  std::atomic<bool> saveSyncs_{true};
  std::atomic<void (*)(const char*)> saveStepHook_{nullptr};

 private:
  // The table of the component root, copied into destroyed components.
  static void* RootTable() {
    class Root final : public ZORBaseUnknown {
     public:
      Root() : ZORBaseUnknown(FacetTag{}) {}
    };
    static Root* prototype = new Root;
    void* table = nullptr;
    std::memcpy(&table, static_cast<void*>(static_cast<ZORBaseUnknown*>(prototype)),
                sizeof table);
    return table;
  }
};

// Never destroyed: components may die after the test program's statics.
TestingSeam& Seam() {
  static TestingSeam* seam = [] {
    auto* made = new TestingSeam;
    ZORHostSeam::Install(made);
    return made;
  }();
  return *seam;
}

// Installed when the program starts, before it makes any component.
[[maybe_unused]] const bool installedAtStart = (Seam(), true);

}  // namespace

const char* ZORHostCallName(ZORHostCall call) {
  for (const CallName& entry : kCallNames) {
    if (entry.call == call) return entry.name;
  }
  return "a host call";
}

ZORHostFault::ZORHostFault(ZORHostCall call)
    : std::runtime_error(std::string("injected fault in ") + ZORHostCallName(call)) {}
ZORHostFault::~ZORHostFault() = default;

std::vector<ZORHostTesting::LiveComponent> ZORHostTesting::LiveComponents() {
  TestingSeam& seam = Seam();
  std::vector<const ZORBaseUnknown*> components;
  std::vector<const IUnknown*> adapters;
  {
    std::lock_guard lock(seam.mutex_);
    components.assign(seam.components_.begin(), seam.components_.end());
    adapters.assign(seam.adapters_.begin(), seam.adapters_.end());
  }
  std::vector<LiveComponent> live;
  for (const ZORBaseUnknown* component : components) {
    live.push_back({component->IsA(), ZORRuntime::ReferenceCount(component), component});
  }
  for (const IUnknown* adapter : adapters) live.push_back({"IClassFactory adapter", 1, adapter});
  std::sort(live.begin(), live.end(), [](const LiveComponent& a, const LiveComponent& b) {
    return a.className < b.className;
  });
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

void ZORHostTesting::SetZombieMode(bool on) { Seam().SetZombieMode(on); }

void ZORHostTesting::HideKey(const std::string& key) {
  TestingSeam& seam = Seam();
  std::lock_guard lock(seam.mutex_);
  seam.hiddenKeys_.insert(key);
}

void ZORHostTesting::FailParameterCreation(int successes) {
  TestingSeam& seam = Seam();
  std::lock_guard lock(seam.mutex_);
  seam.parameterSuccessesLeft_ = std::max(successes, 0);
}

void ZORHostTesting::ThrowAt(ZORHostCall call, int passes) {
  TestingSeam& seam = Seam();
  std::lock_guard lock(seam.mutex_);
  seam.throwingCall_ = call;
  seam.throwPassesLeft_ = std::max(passes, 0);
}

void ZORHostTesting::FailAt(ZORHostCall call, int passes) {
  TestingSeam& seam = Seam();
  std::lock_guard lock(seam.mutex_);
  seam.failingCall_ = call;
  seam.failPassesLeft_ = std::max(passes, 0);
}

void ZORHostTesting::Withhold(ZORHostCall call, bool on) { Withhold(call, nullptr, on); }

void ZORHostTesting::Withhold(ZORHostCall call, const ZORDocument* document, bool on) {
  TestingSeam& seam = Seam();
  std::lock_guard lock(seam.mutex_);
  if (on) {
    seam.withheld_.insert({call, document});
  } else {
    seam.withheld_.erase({call, document});
  }
}

void ZORHostTesting::ClearFaults() {
  TestingSeam& seam = Seam();
  std::lock_guard lock(seam.mutex_);
  seam.hiddenKeys_.clear();
  seam.withheld_.clear();
  seam.parameterSuccessesLeft_ = -1;
  seam.throwPassesLeft_ = -1;
  seam.failPassesLeft_ = -1;
}

int ZORHostTesting::ParametersCreated() {
  TestingSeam& seam = Seam();
  std::lock_guard lock(seam.mutex_);
  return seam.parametersCreated_;
}

int ZORHostTesting::ParametersRemoved() {
  TestingSeam& seam = Seam();
  std::lock_guard lock(seam.mutex_);
  return seam.parametersRemoved_;
}

int ZORHostTesting::SetDocumentCalls(const ZORDocument* owner) {
  TestingSeam& seam = Seam();
  std::lock_guard lock(seam.mutex_);
  auto found = seam.analysisFactoryUses_.find(owner);
  return found != seam.analysisFactoryUses_.end() ? found->second.calls : 0;
}

ZORDocument* ZORHostTesting::AnalysisFactoryDocument(const ZORDocument* owner) {
  TestingSeam& seam = Seam();
  std::lock_guard lock(seam.mutex_);
  auto found = seam.analysisFactoryUses_.find(owner);
  return found != seam.analysisFactoryUses_.end() ? found->second.last : nullptr;
}

void ZORHostTesting::RecordStoreCalls(bool on) {
  Seam().recording_ = on;
  if (!on) TakeStoreLog();
}

std::vector<std::string> ZORHostTesting::TakeStoreLog() {
  TestingSeam& seam = Seam();
  std::lock_guard lock(seam.mutex_);
  return std::exchange(seam.storeLog_, {});
}

void ZORHostTesting::SetSaveStepHook(void (*hook)(const char* step)) {
  Seam().saveStepHook_ = hook;
}

void ZORHostTesting::SetSaveSync(bool on) { Seam().saveSyncs_ = on; }
