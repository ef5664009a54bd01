// The same behaviour checked on the standard library's stop tokens (where it has them) and on our own
// implementation, which StopToken.hpp uses where it does not: both must behave alike.

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "core/common/PortableStopToken.hpp"
#include "core/common/StopToken.hpp"

#if defined(__cpp_lib_jthread)
#include <stop_token>
#endif

namespace kindora {
namespace {

struct PortableStop {
    using Source = detail::PortableStopSource;
    using Token = detail::PortableStopToken;
    template <typename F>
    using Callback = detail::PortableStopCallback<F>;
    static constexpr const detail::PortableNoStopState& noStopState = detail::portableNoStopState;
};

#if defined(__cpp_lib_jthread)
struct StandardStop {
    using Source = std::stop_source;
    using Token = std::stop_token;
    template <typename F>
    using Callback = std::stop_callback<F>;
    static constexpr const std::nostopstate_t& noStopState = std::nostopstate;
};
using Implementations = ::testing::Types<PortableStop, StandardStop>;
#else
using Implementations = ::testing::Types<PortableStop>;
#endif

struct ImplementationName {
    template <typename T>
    static std::string GetName(int) {
        return std::is_same_v<T, PortableStop> ? "Portable" : "Standard";
    }
};

// A one-shot gate between two threads.
class Gate {
public:
    void open() {
        const std::lock_guard lock(mutex_);
        open_ = true;
        changed_.notify_all();
    }
    void await() {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return open_; });
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool open_ = false;
};

template <typename Stop>
class StopTokenTest : public ::testing::Test {
protected:
    using Source = typename Stop::Source;
    using Token = typename Stop::Token;
    using Function = typename Stop::template Callback<std::function<void()>>;
};

TYPED_TEST_SUITE(StopTokenTest, Implementations, ImplementationName);

TYPED_TEST(StopTokenTest, OnlyTheFirstRequestStopsAndEveryTokenAndSourceCopySeesIt) {
    typename TestFixture::Source source;
    typename TestFixture::Source sourceCopy = source;
    const typename TestFixture::Token token = source.get_token();
    const typename TestFixture::Token tokenCopy = token;
    EXPECT_TRUE(token.stop_possible());
    EXPECT_FALSE(token.stop_requested());
    EXPECT_TRUE(token == tokenCopy);
    EXPECT_TRUE(source == sourceCopy);
    EXPECT_FALSE(token == typename TestFixture::Token());

    EXPECT_TRUE(sourceCopy.request_stop());
    EXPECT_FALSE(source.request_stop());
    EXPECT_TRUE(source.stop_requested());
    EXPECT_TRUE(tokenCopy.stop_requested());
    EXPECT_TRUE(token.stop_possible());

    const typename TestFixture::Token none;
    EXPECT_FALSE(none.stop_possible());
    EXPECT_FALSE(none.stop_requested());
    typename TestFixture::Source stateless(TypeParam::noStopState);
    EXPECT_FALSE(stateless.stop_possible());
    EXPECT_FALSE(stateless.request_stop());
    EXPECT_FALSE(stateless.get_token().stop_possible());
}

TYPED_TEST(StopTokenTest, WithEverySourceGoneStopIsImpossibleUnlessAlreadyRequested) {
    typename TestFixture::Token abandoned;
    typename TestFixture::Token stopped;
    {
        typename TestFixture::Source first;
        const typename TestFixture::Source second = first;
        abandoned = second.get_token();
        typename TestFixture::Source third;
        stopped = third.get_token();
        third.request_stop();
    }
    EXPECT_FALSE(abandoned.stop_possible());
    EXPECT_FALSE(abandoned.stop_requested());
    EXPECT_TRUE(stopped.stop_possible());
    EXPECT_TRUE(stopped.stop_requested());

    int runs = 0;
    {
        const typename TestFixture::Function never(abandoned, [&runs] { ++runs; });
    }
    EXPECT_EQ(runs, 0);
}

TYPED_TEST(StopTokenTest, CallbacksRunOnceOnTheRequestingThreadOrAtOnceWhenRegisteredLate) {
    typename TestFixture::Source source;
    std::vector<std::thread::id> ran;  // written by the requesting thread, read after joining it
    const typename TestFixture::Function first(source.get_token(),
                                               [&ran] { ran.push_back(std::this_thread::get_id()); });
    std::optional<typename TestFixture::Function> withdrawn;
    withdrawn.emplace(source.get_token(), [&ran] { ran.push_back({}); });
    const typename TestFixture::Function second(source.get_token(),
                                                [&ran] { ran.push_back(std::this_thread::get_id()); });
    withdrawn.reset();

    std::thread::id requester;
    std::thread([&] {
        requester = std::this_thread::get_id();
        source.request_stop();
        source.request_stop();
    }).join();
    EXPECT_EQ(ran, (std::vector<std::thread::id>{requester, requester}));

    const typename TestFixture::Function late(source.get_token(),
                                              [&ran] { ran.push_back(std::this_thread::get_id()); });
    ASSERT_EQ(ran.size(), 3u);
    EXPECT_EQ(ran.back(), std::this_thread::get_id());
}

TYPED_TEST(StopTokenTest, ACallbackMayDeregisterItselfWhileRunning) {
    typename TestFixture::Source source;
    std::unique_ptr<typename TestFixture::Function> self;
    int runs = 0;
    self = std::make_unique<typename TestFixture::Function>(source.get_token(), [&] {
        ++runs;
        self.reset();
    });
    EXPECT_TRUE(source.request_stop());
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(self, nullptr);
}

TYPED_TEST(StopTokenTest, DeregisteringWaitsForTheCallbackRunningOnAnotherThread) {
    typename TestFixture::Source source;
    Gate entered;
    Gate release;
    std::atomic<bool> returned{false};
    auto callback = std::make_unique<typename TestFixture::Function>(source.get_token(), [&] {
        entered.open();
        release.await();
        returned = true;
    });
    std::thread requester([&] { source.request_stop(); });
    entered.await();
    bool returnedBeforeDeregistration = false;
    std::thread deregistering([&] {
        callback.reset();
        returnedBeforeDeregistration = returned;
    });
    release.open();
    deregistering.join();
    requester.join();
    EXPECT_TRUE(returnedBeforeDeregistration);
}

// What the transport does: transfers register and drop callbacks while another thread cancels.
TYPED_TEST(StopTokenTest, ConcurrentRegistrationDeregistrationAndRequestsAreRaceFree) {
    constexpr int rounds = 20;
    constexpr int workers = 3;
    constexpr int callbacksPerWorker = 200;
    for (int round = 0; round < rounds; ++round) {
        typename TestFixture::Source source;
        std::atomic<int> lingeringRuns{0};
        std::vector<std::unique_ptr<typename TestFixture::Function>> lingering;
        for (int i = 0; i < workers; ++i) {
            lingering.push_back(std::make_unique<typename TestFixture::Function>(source.get_token(),
                                                                                 [&] { ++lingeringRuns; }));
        }
        std::atomic<int> registered{0};
        std::atomic<int> wrongRuns{0};
        std::atomic<int> winners{0};
        std::vector<std::thread> threads;
        for (int i = 0; i < workers; ++i) {
            threads.emplace_back([&, token = source.get_token()] {
                for (int n = 0; n < callbacksPerWorker; ++n) {
                    std::atomic<int> runs{0};
                    const bool stoppedBefore = token.stop_requested();
                    {
                        const typename TestFixture::Function callback(token, [&runs] { ++runs; });
                        ++registered;
                        if (stoppedBefore && runs != 1) {
                            ++wrongRuns;
                        }
                    }
                    if (runs > 1) {
                        ++wrongRuns;
                    }
                }
            });
        }
        for (int i = 0; i < 2; ++i) {
            threads.emplace_back([&] {
                while (registered < callbacksPerWorker / 2) {
                    std::this_thread::yield();
                }
                if (source.request_stop()) {
                    ++winners;
                }
            });
        }
        for (auto& thread : threads) {
            thread.join();
        }
        EXPECT_EQ(winners, 1);
        EXPECT_EQ(wrongRuns, 0);
        EXPECT_EQ(lingeringRuns, workers);
    }
}

}  // namespace
}  // namespace kindora
