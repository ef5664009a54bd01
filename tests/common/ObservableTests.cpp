#include "core/common/Observable.hpp"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace kindora {
namespace {

TEST(Observable, TellsObserversOnlyWhenTheValueChanges) {
    Observable<int> value(1);
    std::vector<int> seen;
    auto subscription = value.observe([&](const int& v) { seen.push_back(v); });
    EXPECT_FALSE(value.set(1));
    EXPECT_TRUE(value.set(2));
    EXPECT_TRUE(value.set(3));
    EXPECT_EQ(seen, (std::vector<int>{2, 3}));
}

TEST(Observable, AnEndedSubscriptionHearsNothing) {
    Observable<std::string> value;
    int calls = 0;
    {
        auto subscription = value.observe([&](const std::string&) { ++calls; });
        value.set("a");
    }
    value.set("b");
    EXPECT_EQ(calls, 1);
}

TEST(Observable, AnObserverMayEndAnotherSubscriptionWhileBeingTold) {
    Observable<int> value;
    std::optional<Subscription> second;
    int secondCalls = 0;
    auto first = value.observe([&](const int&) { second.reset(); });
    second = value.observe([&](const int&) { ++secondCalls; });
    value.set(1);
    EXPECT_EQ(secondCalls, 0);
}

TEST(Observable, ASubscriptionMayOutliveTheObservable) {
    Subscription subscription;
    {
        Observable<int> value;
        subscription = value.observe([](const int&) {});
    }
    subscription.reset();
    SUCCEED();
}

}  // namespace
}  // namespace kindora
