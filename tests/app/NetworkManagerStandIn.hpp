#pragma once

#include <systemd/sd-bus.h>

#include <cstdint>
#include <string>

#include "tests/support/SystemBusService.hpp"

namespace kindora::testing {

// Owns org.freedesktop.NetworkManager on the (private) system bus and publishes what NetworkManager
// publishes about the network path: on its own object State, Connectivity, PrimaryConnection and
// Metered; on each active connection its Devices; on each device its DeviceType and Metered. Two
// connections exist: a wired one (unmetered) and a Wi-Fi one (metered). It starts online over the
// wired one. Its bus is served on a thread of its own; a change is made through the bus with
// Properties.Set and announced with PropertiesChanged, as NetworkManager announces its own.
class NetworkManagerStandIn {
public:
    static constexpr const char* wiredConnection = "/org/freedesktop/NetworkManager/ActiveConnection/1";
    static constexpr const char* wifiConnection = "/org/freedesktop/NetworkManager/ActiveConnection/2";
    // NetworkManager's NMState and NMMetered values.
    static constexpr std::uint32_t disconnected = 20;
    static constexpr std::uint32_t connectedGlobal = 70;
    static constexpr std::uint32_t meteredYes = 1;
    static constexpr std::uint32_t meteredGuessNo = 4;

    NetworkManagerStandIn();
    ~NetworkManagerStandIn();
    NetworkManagerStandIn(const NetworkManagerStandIn&) = delete;
    NetworkManagerStandIn& operator=(const NetworkManagerStandIn&) = delete;

    bool isReady() const { return ready_; }

    // Change a property of NetworkManager's own object; true once the stand-in has announced it.
    bool setState(std::uint32_t state);
    bool setMetered(std::uint32_t metered);
    bool setPrimaryConnection(const std::string& path);

    // The stand-in's own state, touched only by the thread that serves its bus.
    struct Manager {
        std::uint32_t state = connectedGlobal;
        std::uint32_t connectivity = 4;  // NM_CONNECTIVITY_FULL
        std::string primaryConnection = wiredConnection;
        std::uint32_t metered = meteredGuessNo;
    };

private:
    Manager manager_;
    SystemBusService service_;  // the stand-in's connection, served on its own thread
    sd_bus* client_ = nullptr;  // the test's, for the changes
    sd_bus_slot* slots_[5] = {};
    bool ready_ = false;
};

}  // namespace kindora::testing
