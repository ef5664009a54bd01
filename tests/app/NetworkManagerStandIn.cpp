#include "tests/app/NetworkManagerStandIn.hpp"

#include <cstring>

namespace kindora::testing {
namespace {

constexpr const char* service = "org.freedesktop.NetworkManager";
constexpr const char* managerPath = "/org/freedesktop/NetworkManager";
constexpr const char* managerInterface = "org.freedesktop.NetworkManager";

struct Device {
    const char* path;
    std::uint32_t deviceType;  // NMDeviceType: 1 Ethernet, 2 Wi-Fi
    std::uint32_t metered;
};

constexpr Device wiredDevice{"/org/freedesktop/NetworkManager/Devices/1", 1,
                             NetworkManagerStandIn::meteredGuessNo};
constexpr Device wifiDevice{"/org/freedesktop/NetworkManager/Devices/2", 2,
                            NetworkManagerStandIn::meteredYes};

bool is(const char* property, const char* name) {
    return std::strcmp(property, name) == 0;
}

int getManagerProperty(sd_bus*, const char*, const char*, const char* property, sd_bus_message* reply,
                       void* userData, sd_bus_error*) {
    const auto* manager = static_cast<const NetworkManagerStandIn::Manager*>(userData);
    if (is(property, "PrimaryConnection")) {
        return sd_bus_message_append(reply, "o", manager->primaryConnection.c_str());
    }
    const std::uint32_t value = is(property, "State")          ? manager->state
                                : is(property, "Connectivity") ? manager->connectivity
                                                               : manager->metered;
    return sd_bus_message_append(reply, "u", value);
}

int setManagerProperty(sd_bus* bus, const char* path, const char* interface, const char* property,
                       sd_bus_message* value, void* userData, sd_bus_error*) {
    auto* manager = static_cast<NetworkManagerStandIn::Manager*>(userData);
    int read = 0;
    if (is(property, "PrimaryConnection")) {
        const char* connection = nullptr;
        read = sd_bus_message_read(value, "o", &connection);
        if (read > 0) {
            manager->primaryConnection = connection;
        }
    } else {
        std::uint32_t number = 0;
        read = sd_bus_message_read(value, "u", &number);
        if (read > 0) {
            (is(property, "State") ? manager->state : manager->metered) = number;
        }
    }
    if (read < 0) {
        return read;
    }
    return sd_bus_emit_properties_changed(bus, path, interface, property, nullptr);
}

int getDevices(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void* userData,
               sd_bus_error*) {
    return sd_bus_message_append(reply, "ao", 1, static_cast<const Device*>(userData)->path);
}

int getDeviceProperty(sd_bus*, const char*, const char*, const char* property, sd_bus_message* reply,
                      void* userData, sd_bus_error*) {
    const auto* device = static_cast<const Device*>(userData);
    return sd_bus_message_append(reply, "u",
                                 is(property, "DeviceType") ? device->deviceType : device->metered);
}

constexpr auto changes = SD_BUS_VTABLE_PROPERTY_EMITS_CHANGE;
const sd_bus_vtable managerVtable[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_WRITABLE_PROPERTY("State", "u", getManagerProperty, setManagerProperty, 0, changes),
    SD_BUS_PROPERTY("Connectivity", "u", getManagerProperty, 0, changes),
    SD_BUS_WRITABLE_PROPERTY("PrimaryConnection", "o", getManagerProperty, setManagerProperty, 0, changes),
    SD_BUS_WRITABLE_PROPERTY("Metered", "u", getManagerProperty, setManagerProperty, 0, changes),
    SD_BUS_VTABLE_END};
const sd_bus_vtable activeConnectionVtable[] = {
    SD_BUS_VTABLE_START(0), SD_BUS_PROPERTY("Devices", "ao", getDevices, 0, SD_BUS_VTABLE_PROPERTY_CONST),
    SD_BUS_VTABLE_END};
const sd_bus_vtable deviceVtable[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_PROPERTY("DeviceType", "u", getDeviceProperty, 0, SD_BUS_VTABLE_PROPERTY_CONST),
    SD_BUS_PROPERTY("Metered", "u", getDeviceProperty, 0, SD_BUS_VTABLE_PROPERTY_CONST), SD_BUS_VTABLE_END};

void* userData(const Device& device) {
    return const_cast<Device*>(&device);
}

}  // namespace

NetworkManagerStandIn::NetworkManagerStandIn() {
    const char* connectionInterface = "org.freedesktop.NetworkManager.Connection.Active";
    const char* deviceInterface = "org.freedesktop.NetworkManager.Device";
    sd_bus* bus = service_.bus();
    ready_ = bus != nullptr && sd_bus_open_system(&client_) >= 0 &&
             sd_bus_add_object_vtable(bus, &slots_[0], managerPath, managerInterface, managerVtable,
                                      &manager_) >= 0 &&
             sd_bus_add_object_vtable(bus, &slots_[1], wiredConnection, connectionInterface,
                                      activeConnectionVtable, userData(wiredDevice)) >= 0 &&
             sd_bus_add_object_vtable(bus, &slots_[2], wifiConnection, connectionInterface,
                                      activeConnectionVtable, userData(wifiDevice)) >= 0 &&
             sd_bus_add_object_vtable(bus, &slots_[3], wiredDevice.path, deviceInterface, deviceVtable,
                                      userData(wiredDevice)) >= 0 &&
             sd_bus_add_object_vtable(bus, &slots_[4], wifiDevice.path, deviceInterface, deviceVtable,
                                      userData(wifiDevice)) >= 0 &&
             service_.serve(service);
}

NetworkManagerStandIn::~NetworkManagerStandIn() {
    service_.stop();
    for (sd_bus_slot* slot : slots_) {
        sd_bus_slot_unref(slot);
    }
    sd_bus_flush_close_unref(client_);
}

bool NetworkManagerStandIn::setState(std::uint32_t state) {
    return sd_bus_set_property(client_, service, managerPath, managerInterface, "State", nullptr, "u",
                               state) >= 0;
}

bool NetworkManagerStandIn::setMetered(std::uint32_t metered) {
    return sd_bus_set_property(client_, service, managerPath, managerInterface, "Metered", nullptr, "u",
                               metered) >= 0;
}

bool NetworkManagerStandIn::setPrimaryConnection(const std::string& path) {
    return sd_bus_set_property(client_, service, managerPath, managerInterface, "PrimaryConnection", nullptr,
                               "o", path.c_str()) >= 0;
}

}  // namespace kindora::testing
