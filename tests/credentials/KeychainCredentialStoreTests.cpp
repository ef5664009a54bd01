// These tests talk to a real Secret Service through the store as the agent composes it (the items,
// their watcher, the held credentials). scripts/with-test-session (used by scripts/test) runs
// them in a private D-Bus session with a throw-away unlocked keyring; there they must run. Elsewhere
// they are skipped when no Secret Service answers, so that they never touch a user's own keyring.
#include "core/credentials/KeychainCredentialStore.hpp"

#include <gtest/gtest.h>
#include <libsecret/secret.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "core/credentials/KeychainError.hpp"
#include "core/credentials/SecretServiceItems.hpp"
#include "core/credentials/SecretServiceWatcher.hpp"

#if defined(__SANITIZE_ADDRESS__)
// GIO keeps a few bytes of every D-Bus proxy it initialises for a found item (GLib 2.74, libsecret
// 0.20); full stacks are needed to tell that leak apart from ours, so malloc stacks are unwound slowly.
extern "C" const char* __asan_default_options() {
    return "fast_unwind_on_malloc=0";
}
extern "C" const char* __lsan_default_suppressions() {
    return "leak:secret_item_new_for_dbus_path\n";
}
#endif
#if defined(__SANITIZE_THREAD__)
// GLib's locks and atomics live in the uninstrumented GLib itself (futexes), so ThreadSanitizer
// cannot see how the calling thread and GDBus's worker thread hand memory over, and reports every
// such hand-over as a race. Only what happens inside these libraries is left out.
extern "C" const char* __tsan_default_suppressions() {
    return "called_from_lib:libglib-2.0.so.0\n"
           "called_from_lib:libgobject-2.0.so.0\n"
           "called_from_lib:libgio-2.0.so.0\n"
           "called_from_lib:libsecret-1.so.0\n";
}
#endif

namespace kindora {
namespace {

const SecretSchema* anySchema() {
    static SecretSchema* const schema =
        secret_schema_new("org.example.AnyClient", SECRET_SCHEMA_DONT_MATCH_NAME, "service",
                          SECRET_SCHEMA_ATTRIBUTE_STRING, "account", SECRET_SCHEMA_ATTRIBUTE_STRING, nullptr);
    return schema;
}

GHashTable* attributesFor(const std::string& service, const std::string& account) {
    GHashTable* attributes = g_hash_table_new(g_str_hash, g_str_equal);
    g_hash_table_insert(attributes, const_cast<char*>("service"), const_cast<char*>(service.c_str()));
    g_hash_table_insert(attributes, const_cast<char*>("account"), const_cast<char*>(account.c_str()));
    return attributes;
}

// How many items the Secret Service holds for (service, account), in any collection.
int itemCount(const std::string& service, const std::string& account) {
    GHashTable* attributes = attributesFor(service, account);
    GError* error = nullptr;
    GList* items = secret_password_searchv_sync(anySchema(), attributes, SECRET_SEARCH_ALL, nullptr, &error);
    g_hash_table_unref(attributes);
    if (error != nullptr) {
        ADD_FAILURE() << error->message;
        g_error_free(error);
        return -1;
    }
    const int count = static_cast<int>(g_list_length(items));
    g_list_free_full(items, g_object_unref);
    return count;
}

// Stores raw bytes the way another client could, bypassing the store's own checks.
void storeRawBytes(const std::string& service, const std::string& account, const std::string& bytes) {
    GHashTable* attributes = attributesFor(service, account);
    SecretValue* value = secret_value_new(bytes.data(), static_cast<gssize>(bytes.size()), "text/plain");
    GError* error = nullptr;
    secret_password_storev_binary_sync(anySchema(), attributes, SECRET_COLLECTION_DEFAULT, "raw", value,
                                       nullptr, &error);
    secret_value_unref(value);
    g_hash_table_unref(attributes);
    if (error != nullptr) {
        ADD_FAILURE() << error->message;
        g_error_free(error);
    }
}

bool secretServiceReachable() {
    if (std::getenv("DBUS_SESSION_BUS_ADDRESS") == nullptr) {
        return false;
    }
    GError* error = nullptr;
    SecretService* service = secret_service_get_sync(SECRET_SERVICE_NONE, nullptr, &error);
    if (error != nullptr) {
        g_error_free(error);
    }
    if (service == nullptr) {
        return false;
    }
    g_object_unref(service);
    return true;
}

class KeychainCredentialStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!secretServiceReachable()) {
            if (const char* session = std::getenv("KINDORA_IN_TEST_SESSION");
                session && std::string(session) == "1") {
                FAIL() << "the test session should provide an unlocked Secret Service";
            }
            GTEST_SKIP() << "no Secret Service reachable (run through scripts/with-test-session)";
        }
    }

    void TearDown() override {
        // Items of this test only: the service name is unique to the test and the process.
        for (const std::string account : {"deviceToken", "deviceId"}) {
            GHashTable* attributes = attributesFor(service_, account);
            secret_password_clearv_sync(anySchema(), attributes, nullptr, nullptr);
            g_hash_table_unref(attributes);
        }
    }

    const std::string service_ = std::string("com.quillmere.kindora.test.") +
                                 ::testing::UnitTest::GetInstance()->current_test_info()->name() + "." +
                                 std::to_string(::getpid());
    SecretServiceItems items_{service_};
    SecretServiceWatcher watcher_;
    KeychainCredentialStore store_{items_, watcher_, Sleeper::live()};
};

// Empty, saved twice, read back byte for byte, the token deleted (twice): one item per account
// throughout, and the device id outlives the token.
TEST_F(KeychainCredentialStoreTest, EachAccountHoldsOneItemThatReadsBackExactlyAndTheIdOutlivesTheToken) {
    EXPECT_FALSE(store_.hasDeviceToken());
    EXPECT_EQ(store_.loadDeviceToken(), std::nullopt);
    EXPECT_EQ(store_.loadDeviceId(), std::nullopt);
    EXPECT_NO_THROW(store_.deleteDeviceToken());

    const std::string token = std::string("t\xC3\xB6ken \xF0\x9F\x94\x91 with a ") + '\0' + " inside";
    store_.saveDeviceToken("first-token");
    store_.saveDeviceToken(token);
    store_.saveDeviceId("device-1");
    store_.saveDeviceId("device-2");
    EXPECT_TRUE(store_.hasDeviceToken());
    EXPECT_EQ(store_.loadDeviceToken(), token);
    EXPECT_EQ(store_.loadDeviceId(), "device-2");
    EXPECT_EQ(itemCount(service_, "deviceToken"), 1);
    EXPECT_EQ(itemCount(service_, "deviceId"), 1);

    store_.deleteDeviceToken();
    EXPECT_NO_THROW(store_.deleteDeviceToken());
    EXPECT_FALSE(store_.hasDeviceToken());
    EXPECT_EQ(store_.loadDeviceToken(), std::nullopt);
    EXPECT_EQ(store_.loadDeviceId(), "device-2");
    EXPECT_EQ(itemCount(service_, "deviceToken"), 0);
}

TEST_F(KeychainCredentialStoreTest, AnItemHoldingInvalidUtf8ReadsAsNothing) {
    storeRawBytes(service_, "deviceToken", "bad \xFF\xFE bytes");
    storeRawBytes(service_, "deviceId", "\xC0\xAF");
    EXPECT_EQ(itemCount(service_, "deviceToken"), 1);
    EXPECT_FALSE(store_.hasDeviceToken());
    EXPECT_EQ(store_.loadDeviceToken(), std::nullopt);
    EXPECT_EQ(store_.loadDeviceId(), std::nullopt);
}

TEST_F(KeychainCredentialStoreTest, AnItemWrittenByAnotherClientIsTheSameItem) {
    storeRawBytes(service_, "deviceToken", "from-elsewhere");
    EXPECT_EQ(store_.loadDeviceToken(), "from-elsewhere");
    store_.saveDeviceToken("replaced");
    EXPECT_EQ(itemCount(service_, "deviceToken"), 1);
    EXPECT_EQ(store_.loadDeviceToken(), "replaced");
}

TEST_F(KeychainCredentialStoreTest, ARejectedSaveLeavesTheOldItem) {
    store_.saveDeviceToken("good-token");
    store_.saveDeviceId("good-id");
    const std::string loneSurrogate = "abc\xED\xA0\x80";  // U+D800 as if it were a character

    try {
        store_.saveDeviceToken(loneSurrogate);
        FAIL() << "expected an encoding error";
    } catch (const KeychainError& error) {
        EXPECT_EQ(error, KeychainError::invalidTokenEncoding());
    }
    try {
        store_.saveDeviceId("\x80");
        FAIL() << "expected an encoding error";
    } catch (const KeychainError& error) {
        EXPECT_EQ(error, KeychainError::invalidDeviceIdEncoding());
    }
    EXPECT_EQ(store_.loadDeviceToken(), "good-token");
    EXPECT_EQ(store_.loadDeviceId(), "good-id");
}

TEST_F(KeychainCredentialStoreTest, IsUsableFromSeveralThreadsAtOnce) {
    store_.saveDeviceToken("shared-token");
    std::vector<std::thread> threads;
    std::vector<int> seen(4, 0);
    for (std::size_t i = 0; i < seen.size(); ++i) {
        threads.emplace_back([&, i] {
            for (int k = 0; k < 5; ++k) {
                if (store_.loadDeviceToken() == "shared-token") {
                    ++seen[i];
                }
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(seen, (std::vector<int>{5, 5, 5, 5}));
}

}  // namespace
}  // namespace kindora
