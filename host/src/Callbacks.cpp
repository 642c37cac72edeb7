// Notifications: subscriptions of a subscriber's member operation to a publisher's event.
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "zor/ZORRuntime.h"

namespace {

struct Subscription {
  ZORBaseUnknown* subscriber;
  ZORBaseUnknown* publisher;
  std::string eventName;
  ZORCallbackMethod method;
  void* clientData;
};

// Subscriptions by id (the order they were made), and the ids of each subscriber and of each
// publisher: with many subscribers on one publisher, adding and removing one stays cheap.
struct CallbackState {
  std::mutex mutex;
  std::map<int, Subscription> subscriptions;
  std::unordered_map<const ZORBaseUnknown*, std::set<int>> bySubscriber;
  std::unordered_map<const ZORBaseUnknown*, std::set<int>> byPublisher;
  int lastId = 0;

  void Erase(int id) {
    auto found = subscriptions.find(id);
    if (found == subscriptions.end()) return;
    EraseId(bySubscriber, found->second.subscriber, id);
    EraseId(byPublisher, found->second.publisher, id);
    subscriptions.erase(found);
  }

 private:
  static void EraseId(std::unordered_map<const ZORBaseUnknown*, std::set<int>>& index,
                      const ZORBaseUnknown* owner, int id) {
    auto ids = index.find(owner);
    if (ids == index.end()) return;
    ids->second.erase(id);
    if (ids->second.empty()) index.erase(ids);
  }
};

CallbackState& State() {
  static CallbackState* state = new CallbackState;
  return *state;
}

// The ids of `publisher`'s subscriptions to `eventName`, in the order they were made.
std::vector<int> SubscriptionsTo(CallbackState& state, ZORBaseUnknown* publisher,
                                 const char* eventName) {
  std::vector<int> ids;
  auto found = state.byPublisher.find(publisher);
  if (found == state.byPublisher.end()) return ids;
  for (int id : found->second) {
    if (state.subscriptions.at(id).eventName == eventName) ids.push_back(id);
  }
  return ids;
}

}  // namespace

int AddCallback(ZORBaseUnknown* subscriber, ZORBaseUnknown* publisher, const char* eventName,
                ZORCallbackMethod method, void* clientData) {
  if (subscriber == nullptr || publisher == nullptr || eventName == nullptr || method == nullptr) {
    return 0;
  }
  CallbackState& state = State();
  std::lock_guard lock(state.mutex);
  const int id = ++state.lastId;
  state.subscriptions.emplace(id, Subscription{subscriber, publisher, eventName, method, clientData});
  state.bySubscriber[subscriber].insert(id);
  state.byPublisher[publisher].insert(id);
  return id;
}

void RemoveCallbacksOn(ZORBaseUnknown* subscriber, ZORBaseUnknown* publisher,
                       const char* eventName, void* clientData) {
  CallbackState& state = State();
  std::lock_guard lock(state.mutex);
  auto found = state.bySubscriber.find(subscriber);
  if (found == state.bySubscriber.end()) return;
  std::vector<int> removed;
  for (int id : found->second) {
    const Subscription& s = state.subscriptions.at(id);
    if (s.publisher == publisher && (eventName == nullptr || s.eventName == eventName) &&
        s.clientData == clientData) {
      removed.push_back(id);
    }
  }
  for (int id : removed) state.Erase(id);
}

void PublishNotification(ZORBaseUnknown* publisher, const char* eventName, void* about,
                         ZORNotification* notification) {
  CallbackState& state = State();
  std::vector<int> ids;
  {
    std::lock_guard lock(state.mutex);
    ids = SubscriptionsTo(state, publisher, eventName);
  }
  // Each subscription is looked up again before its call: a callback may remove any of them.
  for (int id : ids) {
    Subscription subscription{};
    {
      std::lock_guard lock(state.mutex);
      auto found = state.subscriptions.find(id);
      if (found == state.subscriptions.end()) continue;
      subscription = found->second;
    }
    (subscription.subscriber->*subscription.method)(eventName, about, notification,
                                                    subscription.clientData, id);
  }
}

int CountCallbacks(ZORBaseUnknown* publisher, const char* eventName) {
  CallbackState& state = State();
  std::lock_guard lock(state.mutex);
  return static_cast<int>(SubscriptionsTo(state, publisher, eventName).size());
}
