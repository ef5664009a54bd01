#include "core/credentials/KeychainCredentialStore.hpp"

#include <libsecret/secret.h>

#include <memory>
#include <mutex>
#include <utility>

#include "core/common/Utf8.hpp"
#include "core/credentials/KeychainError.hpp"

namespace kindora {
namespace {

// Items are matched on (service, account) alone, not on the schema name, so an item written by
// another Secret Service client with the same two attributes is the same item.
const SecretSchema* credentialSchema() {
    static SecretSchema* const schema =
        secret_schema_new("com.quillmere.kindora.Credential", SECRET_SCHEMA_DONT_MATCH_NAME, "service",
                          SECRET_SCHEMA_ATTRIBUTE_STRING, "account", SECRET_SCHEMA_ATTRIBUTE_STRING, nullptr);
    return schema;
}

struct HashTableUnref {
    void operator()(GHashTable* table) const { g_hash_table_unref(table); }
};
struct SecretValueUnref {
    void operator()(SecretValue* value) const { secret_value_unref(value); }
};
struct ErrorFree {
    void operator()(GError* error) const { g_error_free(error); }
};
struct ObjectUnref {
    void operator()(gpointer object) const { g_object_unref(object); }
};
struct ItemListFree {
    void operator()(GList* items) const { g_list_free_full(items, g_object_unref); }
};

using Attributes = std::unique_ptr<GHashTable, HashTableUnref>;
using Value = std::unique_ptr<SecretValue, SecretValueUnref>;
using Error = std::unique_ptr<GError, ErrorFree>;
using Service = std::unique_ptr<SecretService, ObjectUnref>;
using ItemList = std::unique_ptr<GList, ItemListFree>;

// Writes of this process are serialised, so that two threads saving the same item cannot both find
// it missing and add it twice.
std::mutex writeMutex;

// The table borrows the strings; they must outlive it.
Attributes itemAttributes(const std::string& service, const std::string& account) {
    Attributes attributes(g_hash_table_new(g_str_hash, g_str_equal));
    g_hash_table_insert(attributes.get(), const_cast<char*>("service"), const_cast<char*>(service.c_str()));
    g_hash_table_insert(attributes.get(), const_cast<char*>("account"), const_cast<char*>(account.c_str()));
    return attributes;
}

[[noreturn]] void throwStatus(const Error& error) {
    throw KeychainError::osStatus(static_cast<std::int32_t>(error->code),
                                  error->message ? error->message : "");
}

}  // namespace

KeychainCredentialStore::KeychainCredentialStore(std::string service, std::string account,
                                                 std::string deviceIdAccount)
    : service_(std::move(service)),
      account_(std::move(account)),
      deviceIdAccount_(std::move(deviceIdAccount)) {}

bool KeychainCredentialStore::hasDeviceToken() const {
    return read(account_).has_value();
}

std::optional<std::string> KeychainCredentialStore::loadDeviceToken() const {
    return read(account_);
}

std::optional<std::string> KeychainCredentialStore::loadDeviceId() const {
    return read(deviceIdAccount_);
}

void KeychainCredentialStore::saveDeviceToken(const std::string& token) {
    if (!Utf8::isValid(token)) {
        throw KeychainError::invalidTokenEncoding();
    }
    write(account_, token, "Kindora device token");
}

void KeychainCredentialStore::saveDeviceId(const std::string& deviceId) {
    if (!Utf8::isValid(deviceId)) {
        throw KeychainError::invalidDeviceIdEncoding();
    }
    write(deviceIdAccount_, deviceId, "Kindora device id");
}

void KeychainCredentialStore::deleteDeviceToken() {
    const auto attributes = itemAttributes(service_, account_);
    GError* rawError = nullptr;
    // Clearing nothing returns false without an error: a missing token is no failure.
    secret_password_clearv_sync(credentialSchema(), attributes.get(), nullptr, &rawError);
    const Error error(rawError);
    if (error) {
        throwStatus(error);
    }
}

std::optional<std::string> KeychainCredentialStore::read(const std::string& itemAccount) const {
    const auto attributes = itemAttributes(service_, itemAccount);
    GError* rawError = nullptr;
    const Value value(
        secret_password_lookupv_binary_sync(credentialSchema(), attributes.get(), nullptr, &rawError));
    const Error error(rawError);
    if (error || !value) {
        return std::nullopt;
    }
    gsize length = 0;
    const gchar* bytes = secret_value_get(value.get(), &length);
    if (bytes == nullptr) {
        return std::nullopt;
    }
    std::string text(bytes, length);
    if (!Utf8::isValid(text)) {
        return std::nullopt;
    }
    return text;
}

void KeychainCredentialStore::write(const std::string& itemAccount, const std::string& value,
                                    const std::string& label) {
    const std::lock_guard lock(writeMutex);
    const auto attributes = itemAttributes(service_, itemAccount);
    // The exact bytes with their length, so that nothing is cut at an embedded NUL.
    const Value secret(secret_value_new(value.data(), static_cast<gssize>(value.size()), "text/plain"));

    GError* rawError = nullptr;
    const Service secretService(secret_service_get_sync(SECRET_SERVICE_OPEN_SESSION, nullptr, &rawError));
    if (Error error(rawError); error) {
        throwStatus(error);
    }
    // Update first: an item with this (service, account) may exist in any collection and may have
    // been written by another client; replacing its secret keeps it the only one.
    const ItemList items(secret_service_search_sync(secretService.get(), credentialSchema(), attributes.get(),
                                                    SECRET_SEARCH_ALL, nullptr, &rawError));
    if (Error error(rawError); error) {
        throwStatus(error);
    }
    if (items) {
        auto* item = static_cast<SecretItem*>(items->data);
        secret_item_set_secret_sync(item, secret.get(), nullptr, &rawError);
        if (Error error(rawError); error) {
            throwStatus(error);
        }
        // Duplicates left behind by older versions or other clients would make reads ambiguous.
        for (GList* extra = items->next; extra != nullptr; extra = extra->next) {
            secret_item_delete_sync(static_cast<SecretItem*>(extra->data), nullptr, nullptr);
        }
        return;
    }
    const gboolean stored =
        secret_password_storev_binary_sync(credentialSchema(), attributes.get(), SECRET_COLLECTION_DEFAULT,
                                           label.c_str(), secret.get(), nullptr, &rawError);
    if (Error error(rawError); error) {
        throwStatus(error);
    }
    if (!stored) {
        throw KeychainError::osStatus(-1, "the Secret Service did not store the item");
    }
}

}  // namespace kindora
