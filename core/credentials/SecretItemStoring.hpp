#pragma once

#include <string>

#include "core/common/StopToken.hpp"
#include "core/credentials/SecretLookup.hpp"

namespace kindora {

// The platform's secret store, item by item (an item is named by its account within the agent's
// service). Every call may block on the store's service; none of them is made on the main thread.
class SecretItemStoring {
public:
    virtual ~SecretItemStoring() = default;

    // Reads an item without ever asking the person to unlock anything: a locked item reads as
    // `locked`. Never throws.
    virtual SecretLookup lookup(const std::string& account) const = 0;
    // Stores or replaces an item's value (one item per account). Throws KeychainError.
    virtual void store(const std::string& account, const std::string& value, const std::string& label) = 0;
    // Removes an item; a missing item is no failure. Throws KeychainError.
    virtual void clear(const std::string& account) = 0;
    // Asks the store to unlock what holds the item, which may show the desktop's unlock prompt and
    // wait for the person; a stop request dismisses the prompt. True when the item is readable
    // afterwards.
    virtual bool unlock(const std::string& account, StopToken stop) = 0;
};

}  // namespace kindora
