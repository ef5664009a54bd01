#pragma once

#include <functional>
#include "core/common/Phrase.hpp"
#include "core/common/StopToken.hpp"

namespace kindora {

// Whether the device credentials can be read now. `locked` and `unavailable` mean the store holds
// back its answer, not that the device is signed out.
enum class CredentialAccess {
    ready,        // the store answered (the token is there, or it is not)
    locked,       // the token's item is in a locked collection
    unavailable,  // the store does not answer yet
};

// A credential store whose reads can wait on the person (an unlock) or on a service that starts
// later. The composition root shows why and offers the unlock; it never asks for one by itself.
class CredentialAccessReporting {
public:
    static constexpr Phrase waitingText = KINDORA_PHRASE("Health", "Waiting for the keyring to be unlocked");

    virtual ~CredentialAccessReporting() = default;

    virtual CredentialAccess access() const = 0;
    // Replaces the handler called (on any thread) after every change of access() or of the token
    // held; an empty function removes it.
    virtual void observeAccess(std::function<void()> onChange) = 0;
    // Reads again soon when the store did not answer (after a wake, say); nothing when it did.
    virtual void readAgainIfWaiting() = 0;
    // Asks the person to unlock the keyring: may show a prompt and block until it is answered, so
    // it is called off the main thread, and only because the person asked; a stop request dismisses
    // the prompt. True when unlocked.
    virtual bool requestUnlock(StopToken stop) = 0;
};

}  // namespace kindora
