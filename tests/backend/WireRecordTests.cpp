#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "core/backend/BackendErrorBodies.hpp"
#include "core/backend/HeartbeatRecords.hpp"
#include "core/backend/IngestRecords.hpp"
#include "core/backend/InterruptRecords.hpp"
#include "core/backend/MeetingRecords.hpp"
#include "core/backend/PairingRecords.hpp"
#include "core/common/JsonCoding.hpp"
#include "core/common/JsonDate.hpp"

namespace kindora {
namespace {

Date at(const char* text) {
    return JsonDate::decode(text);
}

template <typename Record>
std::string decodingFailure(const std::string& text) {
    try {
        JsonCoding::decode<Record>(text);
    } catch (const RecordDecodingError& error) {
        return error.what();
    }
    return "";
}

// --- Ingest -------------------------------------------------------------------------------------

IngestMessage forwardedMessage() {
    IngestMessage message;
    message.guid = "G-1";
    message.service = MessageServiceKind::sms;
    message.senderHandle = "+15550001";
    message.text = "Dinner at 7?";
    message.textDecodeFailed = false;
    message.isGroup = true;
    message.chatName = "Family";
    message.sentAt = at("2026-12-07T09:30:00.5Z");
    message.isRead = false;
    return message;
}

TEST(IngestRecords, AMessageBatchIsWrittenInDeclaredOrderWithoutNullsOrReads) {
    IngestMessage undecodable;
    undecodable.guid = "G-2";
    undecodable.senderHandle = "a@example.com";
    undecodable.textDecodeFailed = true;
    undecodable.sentAt = at("2026-12-07T09:31:00Z");
    IngestRequest request;
    request.messages = {forwardedMessage(), undecodable};

    EXPECT_EQ(
        JsonCoding::encode(toJson(request)),
        R"({"messages":[)"
        R"({"guid":"G-1","service":"sms","senderHandle":"+15550001","text":"Dinner at 7?",)"
        R"("textDecodeFailed":false,"isGroup":true,"chatName":"Family","sentAt":"2026-12-07T09:30:00.500Z",)"
        R"("isRead":false},)"
        R"({"guid":"G-2","service":"imessage","senderHandle":"a@example.com","textDecodeFailed":true,)"
        R"("isGroup":false,"sentAt":"2026-12-07T09:31:00.000Z","isRead":false}]})");
}

TEST(IngestRecords, AReadReportCarriesAnEmptyMessageListAndTheReads) {
    IngestRequest request;
    request.agentVersion = "1.4.0";
    request.reads = std::vector<IngestRead>{{"G-1"}, {"G-7"}};
    EXPECT_EQ(JsonCoding::encode(toJson(request)),
              R"({"agentVersion":"1.4.0","messages":[],"reads":[{"guid":"G-1"},{"guid":"G-7"}]})");
}

TEST(IngestRecords, ARequestDecodesBackToTheSameValue) {
    IngestRequest request;
    request.agentVersion = "1.4.0";
    request.messages = {forwardedMessage()};
    request.reads = std::vector<IngestRead>{{"G-9"}};
    EXPECT_EQ(JsonCoding::decode<IngestRequest>(JsonCoding::encode(toJson(request))), request);
}

TEST(IngestRecords, AMinimalResponseReadsMissingCountsAsZero) {
    const auto response =
        JsonCoding::decode<IngestResponse>(R"({"outcomes":[],"accepted":0,"extra":{"x":1}})");
    EXPECT_EQ(response, IngestResponse{});
}

TEST(IngestRecords, AFullResponseDecodesEveryOutcome) {
    const auto response = JsonCoding::decode<IngestResponse>(
        R"({"outcomes":[{"guid":"a","outcome":"raised"},{"guid":"b","outcome":"no-match"},)"
        R"({"guid":"c","outcome":"error"}],"accepted":3,"stale":1,"alreadyRead":2,"resolved":4})");
    const IngestResponse expected{{{"a", IngestOutcomeKind::raised},
                                   {"b", IngestOutcomeKind::noMatch},
                                   {"c", IngestOutcomeKind::error}},
                                  3,
                                  1,
                                  2,
                                  4};
    EXPECT_EQ(response, expected);
    EXPECT_EQ(JsonCoding::decode<IngestResponse>(JsonCoding::encode(toJson(expected))), expected);
}

// --- Pairing and heartbeat ----------------------------------------------------------------------

TEST(PairingRecords, TheCreateRequestLeavesOutAMissingVersion) {
    EXPECT_EQ(JsonCoding::encode(toJson(PairingCreateRequest{"studio-mac", "macos", std::nullopt})),
              R"({"deviceName":"studio-mac","platform":"macos"})");
    EXPECT_EQ(JsonCoding::encode(toJson(PairingCreateRequest{"studio-mac", "macos", "2.0"})),
              R"({"deviceName":"studio-mac","platform":"macos","agentVersion":"2.0"})");
}

TEST(PairingRecords, TheCreateResponseReadsDatesWithAndWithoutFractions) {
    for (const char* expiresAt : {"2026-12-07T10:00:00.250Z", "2026-12-07T11:00:00+01:00"}) {
        const auto response = JsonCoding::decode<PairingCreateResponse>(
            std::string(R"({"deviceId":"d","deviceToken":"t","code":"ABC-123","pollIntervalSeconds":3,)") +
            R"("expiresAt":")" + expiresAt + R"("})");
        EXPECT_EQ(response.code, "ABC-123");
        EXPECT_EQ(response.pollIntervalSeconds, 3);
        EXPECT_EQ(response.expiresAt, JsonDate::decode(expiresAt));
    }
}

TEST(HeartbeatRecords, EveryCommandElementDecodesAsUnknown) {
    const auto response = JsonCoding::decode<HeartbeatResponse>(
        R"({"status":"ok","commands":[{"type":"resync"},7,{},{"type":3}]})");
    EXPECT_EQ(response.status, "ok");
    EXPECT_EQ(response.commands,
              (std::vector<AgentCommand>{AgentCommand::unknown("resync"), AgentCommand::unknown(std::nullopt),
                                         AgentCommand::unknown(std::nullopt),
                                         AgentCommand::unknown(std::nullopt)}));
    EXPECT_TRUE(JsonCoding::decode<HeartbeatResponse>(R"({"status":"ok","commands":[]})").commands.empty());
}

// --- Interrupts ---------------------------------------------------------------------------------

const char* const minimalInterrupt =
    R"({"id":"9F1C3B6A-1D2E-4F00-8A1B-2C3D4E5F6071","title":"Water leak","body":"Basement sensor",)"
    R"("urgency":"URGENT","source":"sensors","raisedAt":"2026-12-07T09:00:00Z","requiresResolution":true})";

TEST(InterruptRecords, MissingOptionalFieldsTakeTheirDefaults) {
    const auto interrupt = JsonCoding::decode<Interrupt>(minimalInterrupt);
    EXPECT_EQ(interrupt.id.text(), "9f1c3b6a-1d2e-4f00-8a1b-2c3d4e5f6071");
    EXPECT_EQ(interrupt.urgency, InterruptUrgency::urgent);
    EXPECT_TRUE(interrupt.requiresResolution);
    EXPECT_TRUE(interrupt.canResolve);
    EXPECT_EQ(interrupt.groupKey, std::nullopt);
    EXPECT_EQ(interrupt.calendarLabel, std::nullopt);

    auto withNulls = nlohmann::json::parse(minimalInterrupt);
    withNulls["groupKey"] = nullptr;
    withNulls["calendarLabel"] = nullptr;
    withNulls["canResolve"] = false;
    const auto explicitInterrupt = fromJson<Interrupt>(withNulls);
    EXPECT_FALSE(explicitInterrupt.canResolve);
    EXPECT_EQ(explicitInterrupt.groupKey, std::nullopt);
}

TEST(InterruptRecords, UnknownUrgenciesAreCritical) {
    for (const char* urgency : {"CRITICAL", "urgent", "SEVERE", ""}) {
        auto json = nlohmann::json::parse(minimalInterrupt);
        json["urgency"] = urgency;
        EXPECT_EQ(fromJson<Interrupt>(json).urgency, InterruptUrgency::critical) << urgency;
    }
}

TEST(InterruptRecords, InterruptsThatCannotBeReadAreSkippedAndCountedTheRestKept) {
    auto lacksSource = nlohmann::json::parse(minimalInterrupt);
    lacksSource.erase("source");
    auto oddDate = nlohmann::json::parse(minimalInterrupt);
    oddDate["raisedAt"] = "2026-12-07 09:00";
    auto second = nlohmann::json::parse(minimalInterrupt);
    second["title"] = "Smoke";
    const nlohmann::json body = {
        {"interrupts", {nlohmann::json::parse(minimalInterrupt), lacksSource, 17, oddDate, second}},
        {"truncated", true}};
    const auto response = JsonCoding::decode<InterruptsResponse>(body.dump());
    ASSERT_EQ(response.interrupts.size(), 2U);
    EXPECT_EQ(response.interrupts[0].title, "Water leak");
    EXPECT_EQ(response.interrupts[1].title, "Smoke");
    EXPECT_EQ(response.skipped, 3U);
    EXPECT_TRUE(response.truncated);

    const auto clean =
        JsonCoding::decode<InterruptsResponse>(std::string(R"({"interrupts":[)") + minimalInterrupt + "]}");
    EXPECT_EQ(clean.skipped, 0U);
    EXPECT_FALSE(clean.truncated);
    EXPECT_EQ(JsonCoding::decode<InterruptsResponse>(JsonCoding::encode(toJson(clean))), clean);
}

// --- Meetings -----------------------------------------------------------------------------------

TEST(MeetingRecords, UndecodableMeetingsAreSkippedAndOrderIsKept) {
    const auto response = JsonCoding::decode<MeetingsResponse>(
        R"({"meetings":[)"
        R"({"id":"m1","title":"Standup","startsAt":"2026-12-07T09:00:00Z","provider":"zoom","calendarLabel":"Work"},)"
        R"({"id":"m2","title":"No start"},)"
        R"({"id":"m3","title":"Dentist","startsAt":"2026-12-07T15:00:00.000Z","provider":"skype","endsAt":null},)"
        R"(17,)"
        R"({"id":"m4","title":"Bad date","startsAt":"tomorrow"},)"
        R"({"id":"m5","title":"Plain","startsAt":"2026-12-08T08:00:00Z","endsAt":"2026-12-08T09:00:00Z",)"
        R"("joinUrl":"https://meet.example/abc","provider":"meet"}]})");
    ASSERT_EQ(response.meetings.size(), 3U);
    EXPECT_EQ(response.meetings[0].id, "m1");
    EXPECT_EQ(response.meetings[0].provider, MeetingProvider::zoom);
    EXPECT_EQ(response.meetings[0].calendarLabel, "Work");
    EXPECT_EQ(response.meetings[1].id, "m3");
    EXPECT_EQ(response.meetings[1].provider, MeetingProvider::other);
    EXPECT_EQ(response.meetings[1].calendarLabel, "");
    EXPECT_EQ(response.meetings[1].endsAt, std::nullopt);
    EXPECT_EQ(response.meetings[1].joinUrl, std::nullopt);
    EXPECT_EQ(response.meetings[2].joinUrl, "https://meet.example/abc");
    EXPECT_EQ(response.meetings[2].endsAt, at("2026-12-08T09:00:00Z"));
    EXPECT_EQ(response.skipped, 3U);
    EXPECT_EQ(JsonCoding::decode<MeetingsResponse>(JsonCoding::encode(toJson(response))).meetings,
              response.meetings);
    EXPECT_TRUE(JsonCoding::decode<MeetingsResponse>(R"({"meetings":[]})").meetings.empty());
}

// --- Strictness, table-driven -------------------------------------------------------------------

struct RejectedBody {
    const char* scenario;
    std::function<std::string(const std::string&)> decode;
    std::string body;
    std::string expectedDescription;  // empty: any description
};

void PrintTo(const RejectedBody& rejected, std::ostream* os) {
    *os << rejected.scenario;
}

template <typename Record>
std::function<std::string(const std::string&)> decoderOf() {
    return [](const std::string& text) { return decodingFailure<Record>(text); };
}

class RejectedBodies : public ::testing::TestWithParam<RejectedBody> {};

TEST_P(RejectedBodies, FailAsATypedDecodingError) {
    const RejectedBody& rejected = GetParam();
    const std::string description = rejected.decode(rejected.body);
    ASSERT_FALSE(description.empty()) << "decoded although it should not: " << rejected.scenario;
    if (!rejected.expectedDescription.empty()) {
        EXPECT_EQ(description, rejected.expectedDescription);
    }
}

std::string deeplyNested(std::size_t depth) {
    return std::string(depth, '[') + std::string(depth, ']');
}

INSTANTIATE_TEST_SUITE_P(
    WireRecords, RejectedBodies,
    ::testing::Values(
        RejectedBody{"ingest without outcomes", decoderOf<IngestResponse>(), R"({"accepted":1})",
                     "Missing value for key \"outcomes\" of IngestResponse"},
        RejectedBody{"ingest without accepted", decoderOf<IngestResponse>(), R"({"outcomes":[]})", ""},
        RejectedBody{"outcome spelled with an underscore", decoderOf<IngestResponse>(),
                     R"({"outcomes":[{"guid":"a","outcome":"no_match"}],"accepted":1})",
                     "Unknown outcome \"no_match\" for key \"outcome\" of IngestResponse.outcomes[0]"},
        RejectedBody{"outcome without guid", decoderOf<IngestResponse>(),
                     R"({"outcomes":[{"outcome":"raised"}],"accepted":1})", ""},
        RejectedBody{"count as text", decoderOf<IngestResponse>(), R"({"outcomes":[],"accepted":"1"})", ""},
        RejectedBody{"fractional count", decoderOf<IngestResponse>(), R"({"outcomes":[],"accepted":1.5})",
                     ""},
        RejectedBody{"count beyond 64 bits", decoderOf<IngestResponse>(),
                     R"({"outcomes":[],"accepted":123456789012345678901234567890})", ""},
        RejectedBody{"number overflowing a double", decoderOf<IngestResponse>(),
                     R"({"outcomes":[],"accepted":1e99999})", ""},
        RejectedBody{"pairing without poll interval", decoderOf<PairingCreateResponse>(),
                     R"({"deviceId":"d","deviceToken":"t","code":"c","expiresAt":"2026-12-07T10:00:00Z"})",
                     ""},
        RejectedBody{"date without offset", decoderOf<PairingCreateResponse>(),
                     R"({"deviceId":"d","deviceToken":"t","code":"c","expiresAt":"2026-12-07T10:00:00",)"
                     R"("pollIntervalSeconds":5})",
                     "Expected an ISO 8601 date with a timezone offset, got \"2026-12-07T10:00:00\""},
        RejectedBody{"pairing status in other case", decoderOf<PairingStatusResponse>(),
                     R"({"status":"Active"})",
                     "Unknown pairing status \"Active\" for key \"status\" of PairingStatusResponse"},
        RejectedBody{"heartbeat without commands", decoderOf<HeartbeatResponse>(), R"({"status":"ok"})", ""},
        RejectedBody{"interrupts missing", decoderOf<InterruptsResponse>(), R"({"truncated":true})", ""},
        RejectedBody{"interrupt id not a UUID", decoderOf<AlertActionResponse>(),
                     R"({"id":"not-a-uuid","status":"acknowledged"})", ""},
        RejectedBody{"meetings missing", decoderOf<MeetingsResponse>(), R"({})", ""},
        RejectedBody{"meetings not a list", decoderOf<MeetingsResponse>(), R"({"meetings":{}})", ""},
        RejectedBody{"top level not an object", decoderOf<IngestResponse>(), R"([1,2,3])",
                     "Expected an object for IngestResponse, got array"},
        RejectedBody{"truncated text", decoderOf<IngestResponse>(), R"({"outcomes":[{"guid":"secret te)",
                     "Malformed JSON at byte 32"},
        RejectedBody{"empty body", decoderOf<MeetingsResponse>(), "", ""},
        RejectedBody{"not JSON at all", decoderOf<HeartbeatResponse>(), "<html>Bad gateway</html>", ""},
        RejectedBody{"deeply nested", decoderOf<MeetingsResponse>(), deeplyNested(100'000),
                     "JSON nested deeper than 128 levels"},
        RejectedBody{"deeply nested inside an ignored key", decoderOf<IngestResponse>(),
                     R"({"outcomes":[],"accepted":0,"x":)" + deeplyNested(5'000) + "}",
                     "JSON nested deeper than 128 levels"}),
    [](const ::testing::TestParamInfo<RejectedBody>& paramInfo) {
        std::string name = paramInfo.param.scenario;
        for (char& c : name) {
            if (!std::isalnum(static_cast<unsigned char>(c))) {
                c = '_';
            }
        }
        return name;
    });

TEST(JsonCoding, BracketsInsideStringsDoNotCountAsNesting) {
    const std::string guid = std::string(500, '[') + "\\\"" + std::string(500, '{');
    const auto response = JsonCoding::decode<IngestResponse>(R"({"outcomes":[{"guid":")" + guid +
                                                             R"(","outcome":"raised"}],"accepted":1})");
    EXPECT_EQ(response.outcomes.at(0).guid, std::string(500, '[') + "\"" + std::string(500, '{'));
}

TEST(JsonCoding, TextThatIsNotUtf8IsWrittenWithReplacementCharacters) {
    IngestMessage message = forwardedMessage();
    message.text = std::string("caf\xC3", 4);  // cut in the middle of a two-byte character
    const std::string encoded = JsonCoding::encode(toJson(message));
    EXPECT_NE(encoded.find("\"text\":\"caf\xEF\xBF\xBD\""), std::string::npos) << encoded;
}

TEST(ErrorBodies, DecodeOnlyWhatTheyRequire) {
    EXPECT_EQ(JsonCoding::decode<BackendErrorBody>(R"({"error":"Nope","code":1})").error, "Nope");
    EXPECT_EQ(JsonCoding::decode<AlertActionErrorBody>(R"({})"), AlertActionErrorBody{});
    EXPECT_EQ(JsonCoding::decode<AlertActionErrorBody>(R"({"code":"forbidden"})").code, "forbidden");
    EXPECT_FALSE(decodingFailure<RevokedStatusBody>(R"({"status":1})").empty());
}

}  // namespace
}  // namespace kindora
