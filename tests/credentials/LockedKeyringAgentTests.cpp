// The composed agent over the real gnome-keyring of the test session (scripts/with-test-session),
// with the collection holding its credentials locked: the agent stays paired and asks for no unlock,
// and forwards everything that waited once the collection is unlocked. The collection is one of the
// test's own, made, locked and unlocked with a password through gnome-keyring's own interface, so that
// nothing else using the session's login keyring is disturbed.
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <string>
#include <thread>

#include "core/credentials/KeychainCredentialStore.hpp"
#include "core/credentials/SecretServiceItems.hpp"
#include "core/credentials/SecretServiceWatcher.hpp"
#include "tests/agent/AgentScenario.hpp"

namespace kindora {
namespace {

constexpr const char* secrets = "org.freedesktop.secrets";
constexpr const char* servicePath = "/org/freedesktop/secrets";
constexpr const char* password = "kindora-locked-test";

bool succeeded(int result, const sd_bus_error& error, const char* what) {
    if (result < 0) {
        ADD_FAILURE() << what << ": " << (error.message ? error.message : std::strerror(-result));
        return false;
    }
    return true;
}

// A collection of the test's own in gnome-keyring, driven over one session-bus connection (the
// Secret Service's sessions belong to the connection that opened them).
class TestCollection {
public:
    TestCollection() {
        if (sd_bus_open_user(&bus_) < 0) {
            bus_ = nullptr;
            return;
        }
        sd_bus_error error = SD_BUS_ERROR_NULL;
        sd_bus_message* reply = nullptr;
        const int result = sd_bus_call_method(bus_, secrets, servicePath, "org.freedesktop.Secret.Service",
                                              "OpenSession", &error, &reply, "sv", "plain", "s", "");
        const char* session = nullptr;
        if (succeeded(result, error, "OpenSession") && sd_bus_message_skip(reply, "v") >= 0 &&
            sd_bus_message_read(reply, "o", &session) >= 0) {
            session_ = session;
        }
        sd_bus_message_unref(reply);
        sd_bus_error_free(&error);
        if (session_.empty()) {
            return;
        }
        sd_bus_message* call = nullptr;
        sd_bus_message_new_method_call(bus_, &call, secrets, servicePath,
                                       "org.gnome.keyring.InternalUnsupportedGuiltRiddenInterface",
                                       "CreateWithMasterPassword");
        sd_bus_message_append(call, "a{sv}", 1, "org.freedesktop.Secret.Collection.Label", "s",
                              "Kindora locked-keyring test");
        appendSecret(call, password);
        const char* collection = nullptr;
        if (callFor(call, "CreateWithMasterPassword", &reply) && sd_bus_message_read(reply, "o", &collection) >= 0) {
            path_ = collection;
        }
        sd_bus_message_unref(reply);
    }

    ~TestCollection() {
        if (!path_.empty()) {
            unlock();
            sd_bus_call_method(bus_, secrets, path_.c_str(), "org.freedesktop.Secret.Collection", "Delete", nullptr,
                               nullptr, "");
        }
        sd_bus_flush_close_unref(bus_);
    }

    bool isUsable() const { return !path_.empty(); }

    void addItem(const std::string& service, const std::string& account, const std::string& value) {
        sd_bus_message* call = nullptr;
        sd_bus_message_new_method_call(bus_, &call, secrets, path_.c_str(), "org.freedesktop.Secret.Collection",
                                       "CreateItem");
        sd_bus_message_open_container(call, 'a', "{sv}");
        sd_bus_message_append(call, "{sv}", "org.freedesktop.Secret.Item.Label", "s", "Kindora test item");
        sd_bus_message_open_container(call, 'e', "sv");
        sd_bus_message_append(call, "s", "org.freedesktop.Secret.Item.Attributes");
        sd_bus_message_open_container(call, 'v', "a{ss}");
        sd_bus_message_append(call, "a{ss}", 2, "service", service.c_str(), "account", account.c_str());
        sd_bus_message_close_container(call);
        sd_bus_message_close_container(call);
        sd_bus_message_close_container(call);
        appendSecret(call, value);
        sd_bus_message_append(call, "b", 1);
        sd_bus_message* reply = nullptr;
        callFor(call, "CreateItem", &reply);
        sd_bus_message_unref(reply);
    }

    void lock() {
        sd_bus_error error = SD_BUS_ERROR_NULL;
        const int result = sd_bus_call_method(bus_, secrets, servicePath, "org.freedesktop.Secret.Service", "Lock",
                                              &error, nullptr, "ao", 1, path_.c_str());
        succeeded(result, error, "Lock");
        sd_bus_error_free(&error);
    }

    // With the password, as the person would at the prompt, but without one.
    void unlock() {
        sd_bus_message* call = nullptr;
        sd_bus_message_new_method_call(bus_, &call, secrets, servicePath,
                                       "org.gnome.keyring.InternalUnsupportedGuiltRiddenInterface",
                                       "UnlockWithMasterPassword");
        sd_bus_message_append(call, "o", path_.c_str());
        appendSecret(call, password);
        sd_bus_message* reply = nullptr;
        callFor(call, "UnlockWithMasterPassword", &reply);
        sd_bus_message_unref(reply);
    }

private:
    void appendSecret(sd_bus_message* call, const std::string& value) {
        sd_bus_message_open_container(call, 'r', "oayays");
        sd_bus_message_append(call, "o", session_.c_str());
        sd_bus_message_append_array(call, 'y', nullptr, 0);
        sd_bus_message_append_array(call, 'y', value.data(), value.size());
        sd_bus_message_append(call, "s", "text/plain");
        sd_bus_message_close_container(call);
    }

    bool callFor(sd_bus_message* call, const char* what, sd_bus_message** reply) {
        sd_bus_error error = SD_BUS_ERROR_NULL;
        const int result = sd_bus_call(bus_, call, 0, &error, reply);
        sd_bus_message_unref(call);
        const bool ok = succeeded(result, error, what);
        sd_bus_error_free(&error);
        return ok;
    }

    sd_bus* bus_ = nullptr;
    std::string session_;
    std::string path_;
};

// Counts, as a bus monitor, every request that could bring up an unlock prompt: the Secret Service's
// Unlock and any prompt's Prompt.
class PromptMonitor {
public:
    PromptMonitor() {
        stop_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        // A monitor connection, as busctl monitor makes one: flagged before it starts.
        const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
        if (address == nullptr || sd_bus_new(&bus_) < 0) {
            return;
        }
        sd_bus_set_address(bus_, address);
        sd_bus_set_monitor(bus_, 1);
        sd_bus_set_bus_client(bus_, 1);
        if (sd_bus_start(bus_) < 0) {
            return;
        }
        sd_bus_message* call = nullptr;
        sd_bus_message_new_method_call(bus_, &call, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                                       "org.freedesktop.DBus.Monitoring", "BecomeMonitor");
        sd_bus_message_append(call, "as", 2,
                              "type='method_call',interface='org.freedesktop.Secret.Service',member='Unlock'",
                              "type='method_call',interface='org.freedesktop.Secret.Prompt'");
        sd_bus_message_append(call, "u", 0u);
        sd_bus_error error = SD_BUS_ERROR_NULL;
        monitoring_ = succeeded(sd_bus_call(bus_, call, 0, &error, nullptr), error, "BecomeMonitor");
        sd_bus_message_unref(call);
        sd_bus_error_free(&error);
        thread_ = std::thread([this] { run(); });
    }
    ~PromptMonitor() {
        const std::uint64_t one = 1;
        [[maybe_unused]] const auto written = ::write(stop_, &one, sizeof one);
        if (thread_.joinable()) {
            thread_.join();
        }
        sd_bus_flush_close_unref(bus_);
        ::close(stop_);
    }

    bool isMonitoring() const { return monitoring_; }
    int requests() const { return requests_.load(); }

private:
    void run() {
        for (;;) {
            // Whatever sd-bus read already is handled before waiting for more.
            for (;;) {
                sd_bus_message* message = nullptr;
                const int result = sd_bus_process(bus_, &message);
                if (message != nullptr) {
                    std::uint8_t type = 0;
                    if (sd_bus_message_get_type(message, &type) >= 0 && type == SD_BUS_MESSAGE_METHOD_CALL) {
                        ++requests_;
                    }
                    sd_bus_message_unref(message);
                    continue;
                }
                if (result < 0) {
                    return;
                }
                if (result == 0) {
                    break;
                }
            }
            pollfd descriptors[2] = {{stop_, POLLIN, 0},
                                     {sd_bus_get_fd(bus_), static_cast<short>(std::max(sd_bus_get_events(bus_), 0)), 0}};
            if (::poll(descriptors, 2, -1) < 0 && errno != EINTR) {
                return;
            }
            if ((descriptors[0].revents & POLLIN) != 0) {
                return;
            }
        }
    }

    sd_bus* bus_ = nullptr;
    int stop_ = -1;
    bool monitoring_ = false;
    std::atomic<int> requests_{0};
    std::thread thread_;
};

class LockedKeyringAgent : public testing::AgentScenario {
protected:
    // The agent goes before the stores it reads.
    ~LockedKeyringAgent() override { agent.reset(); }

    void SetUp() override {
        if (std::getenv("KINDORA_IN_TEST_SESSION") == nullptr) {
            GTEST_SKIP() << "needs the test session's gnome-keyring (run through scripts/with-test-session)";
        }
        ASSERT_TRUE(collection.isUsable()) << "the test session's gnome-keyring should make a collection";
    }

    // The agent as the desktop composes it, over the keyring store.
    void makeKeyringAgent(KeychainCredentialStore& keyring) {
        makeAgent(PlatformServices{
            .mainQueue = mainQueue,
            .credentialStore = keyring,
            .defaults = defaults,
            .loginItemService = &loginItems,
            .transport = *transport,
            .changeWatcher = changeWatcher,
            .wakeSource = wakeSource,
            .backendBaseURL = server.origin(),
            .databasePath = databasePath,
            .dataDirectory = AgentPaths::ensureDataDirectory(),
            .hostName = "den-pc",
            .agentVersion = "2.0.0",
            .openURL = {},
            .isLikelyInMeeting = {},
            .credentialAccess = &keyring,
            .sleeper = time.sleeper(),
            .clock = time.clock(),
        });
    }

    std::size_t messagesReceived() { return server.household().snapshot().messages.size(); }

    const std::string service = "com.quillmere.kindora.test.locked." + std::to_string(::getpid());
    TestCollection collection;
    SecretServiceItems items{service};
    SecretServiceWatcher watcher;
    std::unique_ptr<KeychainCredentialStore> firstStore;
    std::unique_ptr<KeychainCredentialStore> store;
};

TEST_F(LockedKeyringAgent, StaysPairedWithoutAPromptAndForwardsWhatWaitedOnceTheKeyringUnlocks) {
    const auto pairing = server.household().createPairing(PairingCreateRequest{"den-pc", "linux", "2.0.0"});
    server.household().confirmPairing(pairing.code);
    collection.addItem(service, "deviceToken", pairing.deviceToken);
    collection.addItem(service, "deviceId", pairing.deviceId);

    // A first session, unlocked: the agent anchors its watermark and stops.
    firstStore = std::make_unique<KeychainCredentialStore>(items, watcher, time.sleeper());
    makeKeyringAgent(*firstStore);
    launch();
    ASSERT_TRUE(waitFor([&] { return agent->syncStatusStore().status().lastSyncAt.has_value(); }));
    agent.reset();
    firstStore.reset();

    // The next login: the keyring stays locked, and messages arrive.
    collection.lock();
    const auto arrived = ChatDBGenerator::append(databasePath.string(), 9, 11, time.now());
    ASSERT_GT(arrived.inbound, 0);
    const PromptMonitor prompts;
    ASSERT_TRUE(prompts.isMonitoring());
    store = std::make_unique<KeychainCredentialStore>(items, watcher, time.sleeper());
    makeKeyringAgent(*store);
    launch();
    const Phase waiting = Phase::running(Health::degraded(CredentialAccessReporting::waitingText));
    ASSERT_TRUE(waitFor([&] { return phase() == waiting; })) << "paired, and saying why nothing is sent";
    for (int tick = 0; tick < 3; ++tick) {
        ASSERT_TRUE(time.waitForSleepers(4));
        time.advance(5);
        mainQueue.drain();
    }
    ASSERT_TRUE(time.waitForSleepers(4));
    mainQueue.drain();
    EXPECT_EQ(phase(), waiting);
    EXPECT_EQ(messagesReceived(), 0u);
    EXPECT_EQ(prompts.requests(), 0) << "no unlock was asked for";

    // Unlocked (as by the person at the login screen): the agent reads the token by itself and sends
    // everything that waited, each message once.
    collection.unlock();
    ASSERT_TRUE(waitFor([&] { return messagesReceived() >= static_cast<std::size_t>(arrived.inbound); }));
    EXPECT_EQ(messagesReceived(), static_cast<std::size_t>(arrived.inbound));
    EXPECT_TRUE(waitFor([&] { return phase() == Phase::running(Health::healthy()); }));
    EXPECT_EQ(prompts.requests(), 0);
}

}  // namespace
}  // namespace kindora
