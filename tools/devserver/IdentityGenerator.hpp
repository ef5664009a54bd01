#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

namespace kindora::devserver {

// Makes the household's secrets and names: device tokens, device ids and the short pairing codes a
// person types. Draws from an injected source of random 64-bit words (the system's by default) so
// that tests can make them predictable. Thread-safe.
class IdentityGenerator {
public:
    using RandomSource = std::function<std::uint64_t()>;

    explicit IdentityGenerator(RandomSource random);
    // Backed by std::random_device.
    static IdentityGenerator system();

    // 48 lower-case hex digits behind the prefix "kdt_": 192 bits, unguessable.
    std::string deviceToken();
    // A version 4 UUID in lower case.
    std::string deviceId();
    // "XXX-XXX" from an alphabet without look-alike characters (no 0/O, 1/I/L).
    std::string pairingCode();

private:
    std::uint64_t next();

    std::unique_ptr<std::mutex> mutex_ = std::make_unique<std::mutex>();
    RandomSource random_;
};

}  // namespace kindora::devserver
