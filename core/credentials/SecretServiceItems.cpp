#include "core/credentials/SecretServiceItems.hpp"

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

// The service with a session open (secrets travel through it); null when it does not answer.
Service connect(GError** error) {
    return Service(secret_service_get_sync(SECRET_SERVICE_OPEN_SESSION, nullptr, error));
}

}  // namespace

SecretServiceItems::SecretServiceItems(std::string service) : service_(std::move(service)) {}

SecretLookup SecretServiceItems::lookup(const std::string& account) const {
    GError* rawError = nullptr;
    const Service secretService = connect(&rawError);
    if (Error error(rawError); error || !secretService) {
        return SecretLookup::unavailable();
    }
    const auto attributes = itemAttributes(service_, account);
    // No SECRET_SEARCH_UNLOCK: a locked item comes back locked instead of bringing up a prompt.
    const ItemList items(secret_service_search_sync(secretService.get(), credentialSchema(), attributes.get(),
                                                    static_cast<SecretSearchFlags>(SECRET_SEARCH_ALL |
                                                                                   SECRET_SEARCH_LOAD_SECRETS),
                                                    nullptr, &rawError));
    if (Error error(rawError); error) {
        return SecretLookup::unavailable();
    }
    bool anyLocked = false;
    for (GList* entry = items.get(); entry != nullptr; entry = entry->next) {
        auto* item = static_cast<SecretItem*>(entry->data);
        if (secret_item_get_locked(item)) {
            anyLocked = true;
            continue;
        }
        const Value value(secret_item_get_secret(item));
        if (!value) {
            continue;
        }
        gsize length = 0;
        const gchar* bytes = secret_value_get(value.get(), &length);
        if (bytes == nullptr) {
            continue;
        }
        std::string text(bytes, length);
        if (!Utf8::isValid(text)) {
            return SecretLookup::absent();  // unreadable as text: as good as no item
        }
        return SecretLookup::found(std::move(text));
    }
    return anyLocked ? SecretLookup::locked() : SecretLookup::absent();
}

void SecretServiceItems::store(const std::string& account, const std::string& value, const std::string& label) {
    const std::lock_guard lock(writeMutex);
    const auto attributes = itemAttributes(service_, account);
    // The exact bytes with their length, so that nothing is cut at an embedded NUL.
    const Value secret(secret_value_new(value.data(), static_cast<gssize>(value.size()), "text/plain"));

    GError* rawError = nullptr;
    const Service secretService = connect(&rawError);
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

void SecretServiceItems::clear(const std::string& account) {
    const auto attributes = itemAttributes(service_, account);
    GError* rawError = nullptr;
    // Clearing nothing returns false without an error: a missing item is no failure.
    secret_password_clearv_sync(credentialSchema(), attributes.get(), nullptr, &rawError);
    const Error error(rawError);
    if (error) {
        throwStatus(error);
    }
}

bool SecretServiceItems::unlock(const std::string& account, StopToken stop) {
    GError* rawError = nullptr;
    const Service secretService = connect(&rawError);
    if (Error error(rawError); error || !secretService) {
        return false;
    }
    const auto attributes = itemAttributes(service_, account);
    const ItemList items(secret_service_search_sync(secretService.get(), credentialSchema(), attributes.get(),
                                                    SECRET_SEARCH_ALL, nullptr, &rawError));
    if (Error error(rawError); error || !items) {
        return false;
    }
    GList* unlocked = nullptr;
    // A stop (the agent shutting down) dismisses the prompt instead of waiting for the person.
    const std::unique_ptr<GCancellable, ObjectUnref> cancellable(g_cancellable_new());
    auto cancel = [raw = cancellable.get()] { g_cancellable_cancel(raw); };
    const StopCallback<decltype(cancel)> cancelOnStop(stop, cancel);
    // The one call here that may show the desktop's prompt: the person asked for it.
    const gint count =
        secret_service_unlock_sync(secretService.get(), items.get(), cancellable.get(), &unlocked, &rawError);
    const ItemList unlockedObjects(unlocked);
    const Error error(rawError);
    return !error && count > 0;
}

}  // namespace kindora
