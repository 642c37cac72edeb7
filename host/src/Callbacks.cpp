// Notifications: subscriptions of a subscriber's member operation to a publisher's event.
#include <algorithm>
#include <mutex>
#include <string>
#include <vector>

#include "zor/ZORRuntime.h"

namespace {

struct Subscription {
  int id;
  ZORBaseUnknown* subscriber;
  ZORBaseUnknown* publisher;
  std::string eventName;
  ZORCallbackMethod method;
  void* clientData;
};

struct CallbackState {
  std::mutex mutex;
  std::vector<Subscription> subscriptions;
  int lastId = 0;
};

CallbackState& State() {
  static CallbackState* state = new CallbackState;
  return *state;
}

}  // namespace

int AddCallback(ZORBaseUnknown* subscriber, ZORBaseUnknown* publisher, const char* eventName,
                ZORCallbackMethod method, void* clientData) {
  if (subscriber == nullptr || publisher == nullptr || eventName == nullptr || method == nullptr) {
    return 0;
  }
  CallbackState& state = State();
  std::lock_guard lock(state.mutex);
  int id = ++state.lastId;
  state.subscriptions.push_back({id, subscriber, publisher, eventName, method, clientData});
  return id;
}

void RemoveCallbacksOn(ZORBaseUnknown* subscriber, ZORBaseUnknown* publisher,
                       const char* eventName, void* clientData) {
  CallbackState& state = State();
  std::lock_guard lock(state.mutex);
  std::erase_if(state.subscriptions, [&](const Subscription& s) {
    return s.subscriber == subscriber && s.publisher == publisher &&
           (eventName == nullptr || s.eventName == eventName) && s.clientData == clientData;
  });
}

void PublishNotification(ZORBaseUnknown* publisher, const char* eventName, void* about,
                         ZORNotification* notification) {
  CallbackState& state = State();
  std::vector<int> ids;
  {
    std::lock_guard lock(state.mutex);
    for (const Subscription& s : state.subscriptions) {
      if (s.publisher == publisher && s.eventName == eventName) ids.push_back(s.id);
    }
  }
  // Each subscription is looked up again before its call: a callback may remove any of them.
  for (int id : ids) {
    Subscription subscription{};
    {
      std::lock_guard lock(state.mutex);
      auto found = std::find_if(state.subscriptions.begin(), state.subscriptions.end(),
                                [id](const Subscription& s) { return s.id == id; });
      if (found == state.subscriptions.end()) continue;
      subscription = *found;
    }
    (subscription.subscriber->*subscription.method)(eventName, about, notification,
                                                    subscription.clientData, id);
  }
}

int CountCallbacks(ZORBaseUnknown* publisher, const char* eventName) {
  CallbackState& state = State();
  std::lock_guard lock(state.mutex);
  return static_cast<int>(std::count_if(
      state.subscriptions.begin(), state.subscriptions.end(), [&](const Subscription& s) {
        return s.publisher == publisher && s.eventName == eventName;
      }));
}
