#pragma once

#include <string>
#include <utility>

namespace kindora {

// What the platform's secret store answered for one item. Only `absent` means the item is not there:
// a locked collection or a store that does not answer says nothing about whether the device is paired.
struct SecretLookup {
    enum class Kind {
        found,        // `value` holds the item's text
        absent,       // the store answered: no such item (or one whose value is not valid UTF-8)
        locked,       // the item exists in a locked collection; reading it would ask for an unlock
        unavailable,  // the store did not answer (not running, no session bus, an error)
    };

    Kind kind = Kind::unavailable;
    std::string value;

    static SecretLookup found(std::string text) { return {Kind::found, std::move(text)}; }
    static SecretLookup absent() { return {Kind::absent, {}}; }
    static SecretLookup locked() { return {Kind::locked, {}}; }
    static SecretLookup unavailable() { return {Kind::unavailable, {}}; }
};

}  // namespace kindora
