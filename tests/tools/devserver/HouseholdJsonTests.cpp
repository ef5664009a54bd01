#include <gtest/gtest.h>

#include "core/common/JsonCoding.hpp"
#include "core/common/JsonDate.hpp"
#include "tests/support/VirtualTime.hpp"
#include "tests/tools/devserver/DevServerTestSupport.hpp"
#include "tools/devserver/Household.hpp"
#include "tools/devserver/HouseholdJson.hpp"

namespace kindora::devserver {
namespace {

nlohmann::json json(std::string_view text) {
    return JsonCoding::parse(text);
}

// A household with something of every kind in it.
HouseholdSnapshot busyHousehold(testing::VirtualTime& time) {
    IdentityGenerator identities = testsupport::countingIdentities();
    Household household(time.clock(), identities, PairingPolicy{});
    const PairingCreateResponse active = household.createPairing(PairingCreateRequest{"mac", "macos", "1.0"});
    household.createPairing(PairingCreateRequest{"other", "macos", {}});
    household.confirmPairing(active.code);
    HouseholdRules rules;
    rules.keywords = {KeywordRule{"help", "Help", InterruptUrgency::urgent, true, false, "g"}};
    rules.errorGuids = {"bad"};
    rules.staleAfterSeconds = 86400;
    rules.interruptPageSize = 7;
    rules.rejectDuplicates = false;
    household.setRules(rules);
    household.queueCommand(active.deviceId, "refresh");
    time.advance(1.5);
    household.ingest(active.deviceToken,
                     testsupport::batch({testsupport::message("m1", "help me", time.now())}));
    household.ingest(active.deviceToken, testsupport::readReport({"m1", "zz"}));
    household.addMeeting(HouseholdJson::decodeMeetingDraft(
        json(
            R"({"title":"Standup","startsInSeconds":300,"durationSeconds":900,"provider":"zoom","joinUrl":"https://zoom.example.com/1"})"),
        time.now()));
    return household.snapshot();
}

TEST(HouseholdJson, TheStateFileFormReadsBackAsTheSameHousehold) {
    testing::VirtualTime time;
    const HouseholdSnapshot snapshot = busyHousehold(time);
    ASSERT_EQ(snapshot.devices.size(), 2u);
    ASSERT_EQ(snapshot.alerts.size(), 1u);
    const std::string text = JsonCoding::encode(HouseholdJson::encodeState(snapshot));
    EXPECT_EQ(HouseholdJson::decodeState(json(text)), snapshot);
}

TEST(HouseholdJson, StateThatIsNotAHouseholdIsRefused) {
    for (const char* text : {R"({})", R"({"format":2})", R"([])", R"({"format":1,"devices":[{"id":"x"}]})",
                             R"({"format":1,"devices":"none"})"}) {
        EXPECT_THROW(HouseholdJson::decodeState(json(text)), RecordDecodingError) << text;
    }
}

TEST(HouseholdJson, DraftsFillInIdsAndPlaceRelativeTimesFromNow) {
    const Date now = dateFromSecondsSinceEpoch(1'800'000'000);
    const Interrupt alert = HouseholdJson::decodeInterruptDraft(
        json(R"({"title":"Door","urgency":"URGENT","raisedSecondsAgo":60,"groupKey":"door"})"), now);
    EXPECT_EQ(alert.title, "Door");
    EXPECT_EQ(alert.urgency, InterruptUrgency::urgent);
    EXPECT_EQ(alert.raisedAt, now + Seconds(-60));
    EXPECT_EQ(alert.groupKey, "door");
    EXPECT_TRUE(alert.canResolve);
    EXPECT_NE(alert.id, Uuid::nil());

    const Meeting meeting = HouseholdJson::decodeMeetingDraft(
        json(
            R"({"id":"m1","title":"Call","startsAt":"2027-01-01T10:00:00Z","endsAt":"2027-01-01T10:30:00Z"})"),
        now);
    EXPECT_EQ(meeting.startsAt, JsonDate::decode("2027-01-01T10:00:00Z"));
    EXPECT_EQ(meeting.provider, MeetingProvider::other);
    EXPECT_EQ(meeting.calendarLabel, "");
}

TEST(HouseholdJson, AdminBodiesWithBadValuesAreRefused) {
    const Date now{};
    const std::vector<std::pair<const char*, std::function<void(const nlohmann::json&)>>> cases = {
        {R"({"body":"no title"})", [&](const auto& j) { HouseholdJson::decodeInterruptDraft(j, now); }},
        {R"({"title":"t","urgency":"LOW"})",
         [&](const auto& j) { HouseholdJson::decodeInterruptDraft(j, now); }},
        {R"({"title":"t","id":"nope"})", [&](const auto& j) { HouseholdJson::decodeInterruptDraft(j, now); }},
        {R"({"title":"t"})", [&](const auto& j) { HouseholdJson::decodeMeetingDraft(j, now); }},
        {R"({"title":"t","startsInSeconds":1,"provider":"skype"})",
         [&](const auto& j) { HouseholdJson::decodeMeetingDraft(j, now); }},
        {R"({"keywords":[{"keyword":""}]})", [](const auto& j) { HouseholdJson::decodeRules(j); }},
        {R"({"errorGuids":[1]})", [](const auto& j) { HouseholdJson::decodeRules(j); }},
        {R"({"interruptPageSize":-1})", [](const auto& j) { HouseholdJson::decodeRules(j); }},
        {R"({"endpoint":"ingset","kind":"drop"})", [](const auto& j) { HouseholdJson::decodeFaultRule(j); }},
        {R"({"endpoint":"ingest","kind":"explode"})",
         [](const auto& j) { HouseholdJson::decodeFaultRule(j); }},
        {R"({"endpoint":"ingest","kind":"status"})",
         [](const auto& j) { HouseholdJson::decodeFaultRule(j); }},
        {R"({"endpoint":"ingest","kind":"status","status":700})",
         [](const auto& j) { HouseholdJson::decodeFaultRule(j); }},
        {R"({"endpoint":"ingest","kind":"drop","count":0})",
         [](const auto& j) { HouseholdJson::decodeFaultRule(j); }},
        {R"({"endpoint":"ingest","kind":"delay"})", [](const auto& j) { HouseholdJson::decodeFaultRule(j); }},
        {R"({"endpoint":"ingest","kind":"delay","delaySeconds":-2})",
         [](const auto& j) { HouseholdJson::decodeFaultRule(j); }},
    };
    for (const auto& [text, decode] : cases) {
        EXPECT_THROW(decode(json(text)), RecordDecodingError) << text;
    }
}

TEST(HouseholdJson, AFaultBodyMayBeTextOrAnyJsonValue) {
    const FaultRule text = HouseholdJson::decodeFaultRule(
        json(R"({"endpoint":"heartbeat","kind":"status","status":401,"body":"not json","count":3})"));
    EXPECT_EQ(text.fault.body, "not json");
    EXPECT_EQ(text.remaining, 3);
    const FaultRule object = HouseholdJson::decodeFaultRule(
        json(R"({"endpoint":"*","kind":"status","status":401,"body":{"status":"revoked"}})"));
    EXPECT_EQ(object.fault.body, R"({"status":"revoked"})");
    EXPECT_EQ(HouseholdJson::decodeFaultRule(json(R"({"endpoint":"ingest","kind":"status","status":500})"))
                  .fault.body,
              R"({"error":"Injected fault"})");
}

}  // namespace
}  // namespace kindora::devserver
