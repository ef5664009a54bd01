#include "tools/devserver/HouseholdRecords.hpp"

namespace kindora::devserver {

const char* toString(DeviceState state) {
    switch (state) {
        case DeviceState::pending:
            return "pending";
        case DeviceState::active:
            return "active";
        case DeviceState::revoked:
            return "revoked";
    }
    return "pending";
}

std::optional<DeviceState> deviceStateFromString(std::string_view text) {
    for (DeviceState state : {DeviceState::pending, DeviceState::active, DeviceState::revoked}) {
        if (text == toString(state)) {
            return state;
        }
    }
    return std::nullopt;
}

const char* toString(ReadResult result) {
    switch (result) {
        case ReadResult::markedRead:
            return "markedRead";
        case ReadResult::alreadyRead:
            return "alreadyRead";
        case ReadResult::unknownMessage:
            return "unknownMessage";
    }
    return "markedRead";
}

std::optional<ReadResult> readResultFromString(std::string_view text) {
    for (ReadResult result : {ReadResult::markedRead, ReadResult::alreadyRead, ReadResult::unknownMessage}) {
        if (text == toString(result)) {
            return result;
        }
    }
    return std::nullopt;
}

const char* toString(AlertState state) {
    switch (state) {
        case AlertState::open:
            return "open";
        case AlertState::acknowledged:
            return "acknowledged";
        case AlertState::resolved:
            return "resolved";
    }
    return "open";
}

std::optional<AlertState> alertStateFromString(std::string_view text) {
    for (AlertState state : {AlertState::open, AlertState::acknowledged, AlertState::resolved}) {
        if (text == toString(state)) {
            return state;
        }
    }
    return std::nullopt;
}

}  // namespace kindora::devserver
