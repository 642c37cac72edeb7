// The runtime's own pieces: handles, raw lists and notifications.
#include <gtest/gtest.h>

#include "zor/ZORHostServices.h"
#include "zor/ZORRawColl.h"
#include "zor/ZORRuntime.h"
#include "zor/ZORVar.h"
#include "zor/testing/ZORHostTesting.h"

namespace {

class Counted : public ZORBaseUnknown {};

TEST(Handles, AdoptRetainCopyMove) {
  auto* component = new Counted;  // one reference, ours
  {
    ZORBaseUnknown_var adopted = ZORBaseUnknown_var::Adopt(component);
    ZORBaseUnknown_var retained = ZORBaseUnknown_var::Retain(component);
    ZORBaseUnknown_var copy = retained;
    ZORBaseUnknown_var moved = std::move(copy);
    EXPECT_FALSE(copy);
    EXPECT_EQ(component->AddRef(), 4u);
    component->Release();
    ZORBaseUnknown_var queried(static_cast<IUnknown*>(component));
    EXPECT_EQ(queried.get(), component);
    // A component that does not answer leaves the handle empty.
    ZORISpecObject_var notAFeature(static_cast<IUnknown*>(component));
    EXPECT_FALSE(notAFeature);
    EXPECT_EQ(ZORHostTesting::OutstandingReferences(), 4);
  }
  EXPECT_EQ(ZORHostTesting::LiveComponentCount(), 0);
}

TEST(RawLists, OneBasedAndGrowing) {
  ZORRawColldouble list;
  for (int i = 1; i <= 100; ++i) list.Append(i * 0.5);
  EXPECT_EQ(list.Size(), 100);
  EXPECT_EQ(list[1], 0.5);
  EXPECT_EQ(list[100], 50.0);
  ZORRawColldouble copy = list;
  list.RemoveAll();
  EXPECT_EQ(list.Size(), 0);
  EXPECT_EQ(copy.Size(), 100);
  EXPECT_DEATH(copy[101], "list position 101 is outside 1..100");
  EXPECT_DEATH(copy[0], "list position 0 is outside");
}

// A subscriber that removes subscriptions while the notification is dispatched.
class Subscriber : public ZORBaseUnknown {
 public:
  void OnEvent(const char*, void*, ZORNotification*, void*, int) {
    ++calls;
    if (removeOthers != nullptr) RemoveCallbacksOn(removeOthers, publisher, "Event", nullptr);
    RemoveCallbacksOn(this, publisher, "Event", nullptr);
  }
  int calls = 0;
  Subscriber* removeOthers = nullptr;
  ZORBaseUnknown* publisher = nullptr;
};

TEST(Notifications, RemovalDuringDispatchIsSafe) {
  ZORBaseUnknown_var publisher = ZORBaseUnknown_var::Adopt(new Counted);
  ZORVar<Subscriber> first = ZORVar<Subscriber>::Adopt(new Subscriber);
  ZORVar<Subscriber> second = ZORVar<Subscriber>::Adopt(new Subscriber);
  first->publisher = second->publisher = publisher.get();
  first->removeOthers = second.get();
  auto method = static_cast<ZORCallbackMethod>(&Subscriber::OnEvent);
  EXPECT_GT(AddCallback(first.get(), publisher.get(), "Event", method, nullptr), 0);
  EXPECT_GT(AddCallback(second.get(), publisher.get(), "Event", method, nullptr), 0);
  EXPECT_EQ(CountCallbacks(publisher.get(), "Event"), 2);
  PublishNotification(publisher.get(), "Event", nullptr, nullptr);
  // The first removed the second before its turn came.
  EXPECT_EQ(first->calls, 1);
  EXPECT_EQ(second->calls, 0);
  EXPECT_EQ(CountCallbacks(publisher.get(), "Event"), 0);
  PublishNotification(publisher.get(), "Event", nullptr, nullptr);
  EXPECT_EQ(first->calls, 1);
}

TEST(MetaClasses, KindsAndCaching) {
  ZORMetaClass* root = ZORBaseUnknown::MetaObject();
  EXPECT_EQ(root, ZORBaseUnknown::MetaObject());
  ZORMetaClass* made = qrn::internal::fct_RetrieveMetaObject("RuntimeTestClass", 1, root, "X", "F", 8);
  EXPECT_EQ(made, qrn::internal::fct_RetrieveMetaObject("RuntimeTestClass", 1, root, "X", "F", 8));
  EXPECT_TRUE(made->IsAKindOf("RuntimeTestClass"));
  EXPECT_TRUE(made->IsAKindOf("ZORBaseUnknown"));
  EXPECT_FALSE(made->IsAKindOf("Other"));
  EXPECT_FALSE(made->IsAKindOf(nullptr));
}

}  // namespace
