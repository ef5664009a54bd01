#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>

namespace kindora::devserver {

// How a devserver runs: where it listens, whether it plays the demo, where it keeps the household.
struct DevServerOptions {
    // 0 picks a free port. The server always binds to 127.0.0.1.
    int port = 0;
    // Pairings confirm themselves after `demoConfirmSeconds`; a few alerts and meetings are seeded.
    bool demo = false;
    double demoConfirmSeconds = 3;
    // The household survives restarts in this file, rewritten atomically after every change.
    std::optional<std::filesystem::path> stateFile;
    // Both set: serve HTTPS with this PEM certificate chain and private key.
    std::optional<std::filesystem::path> tlsCertificate;
    std::optional<std::filesystem::path> tlsKey;
    // How long a pairing code is accepted, and the poll interval the pairing answer suggests.
    double pairingCodeLifetimeSeconds = 600;
    int pairingPollIntervalSeconds = 2;
    // Request bodies above this size are refused with 413 before they are read.
    std::size_t maxBodyBytes = 4 * 1024 * 1024;
    // Worker threads serving requests.
    std::size_t threadCount = 8;
};

}  // namespace kindora::devserver
