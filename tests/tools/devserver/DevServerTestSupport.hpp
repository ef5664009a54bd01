#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>

#include "core/backend/IngestRecords.hpp"
#include "core/common/Date.hpp"
#include "tools/devserver/ApiError.hpp"
#include "tools/devserver/IdentityGenerator.hpp"

namespace kindora::devserver::testsupport {

// Identities drawn from a counter: predictable, yet every one differs.
inline IdentityGenerator countingIdentities() {
    auto counter = std::make_shared<std::atomic<std::uint64_t>>(0x1234'5678'9abc'def0ULL);
    return IdentityGenerator([counter] { return counter->fetch_add(0x9e37'79b9'7f4a'7c15ULL); });
}

// The ApiError `action` throws; a test failure when it throws nothing or something else.
inline ApiError apiErrorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const ApiError& error) {
        return error;
    } catch (const std::exception& error) {
        ADD_FAILURE() << "expected an ApiError, got: " << error.what();
        return ApiError(0, error.what());
    }
    ADD_FAILURE() << "expected an ApiError, nothing was thrown";
    return ApiError(0, "nothing thrown");
}

inline IngestMessage message(std::string guid, std::optional<std::string> text = "hello",
                             Date sentAt = Date{}) {
    IngestMessage message;
    message.guid = std::move(guid);
    message.service = MessageServiceKind::imessage;
    message.senderHandle = "+15550100";
    message.text = std::move(text);
    message.textDecodeFailed = false;
    message.sentAt = sentAt;
    return message;
}

inline IngestRequest batch(std::vector<IngestMessage> messages) {
    IngestRequest request;
    request.messages = std::move(messages);
    return request;
}

inline IngestRequest readReport(std::vector<std::string> guids) {
    IngestRequest request;
    request.reads.emplace();
    for (std::string& guid : guids) {
        request.reads->push_back(IngestRead{std::move(guid)});
    }
    return request;
}

}  // namespace kindora::devserver::testsupport
