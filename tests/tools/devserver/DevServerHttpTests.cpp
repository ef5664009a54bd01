// The devserver over real HTTP, in-process: what a client that is not the agent sees (bad requests,
// the admin API, the page), injected delays on virtual time, and the state file across restarts.
#include <gtest/gtest.h>

#include <httplib.h>

#include <fstream>
#include <future>

#include "core/common/AtomicFile.hpp"
#include "core/common/JsonCoding.hpp"
#include "core/common/JsonDate.hpp"
#include "tests/support/VirtualTime.hpp"
#include "tests/tools/devserver/DevServerTestSupport.hpp"
#include "tools/devserver/DevServer.hpp"

namespace kindora::devserver {
namespace {

using nlohmann::json;

DevServerOptions loopbackOptions() {
    DevServerOptions options;
    options.maxBodyBytes = 64 * 1024;
    options.threadCount = 4;
    return options;
}

class DevServerHttpTest : public ::testing::Test {
protected:
    explicit DevServerHttpTest(DevServerOptions options = loopbackOptions())
        : server(std::move(options), time.clock(), time.sleeper(), testsupport::countingIdentities()) {
        server.start();
        client = std::make_unique<httplib::Client>("127.0.0.1", server.port());
        client->set_read_timeout(std::chrono::seconds(20));
    }

    // Pairs and confirms a device; its token.
    std::string activeToken() {
        const PairingCreateResponse created =
            server.household().createPairing(PairingCreateRequest{"mac", "macos", {}});
        server.household().confirmPairing(created.code);
        return created.deviceToken;
    }

    httplib::Headers bearer(const std::string& token) { return {{"Authorization", "Bearer " + token}}; }

    testing::VirtualTime time;
    DevServer server;
    std::unique_ptr<httplib::Client> client;
};

// Every refusal is JSON with an "error" text.
void expectJsonError(const httplib::Result& result, int status, const std::string& what) {
    ASSERT_TRUE(result) << what << ": no answer";
    EXPECT_EQ(result->status, status) << what << ": " << result->body;
    EXPECT_EQ(result->get_header_value("Content-Type"), "application/json") << what;
    const json body = json::parse(result->body, nullptr, false);
    ASSERT_TRUE(body.is_object()) << what << ": " << result->body;
    EXPECT_TRUE(body.contains("error") && body["error"].is_string()) << what << ": " << result->body;
}

TEST_F(DevServerHttpTest, BadRequestsGetAJsonErrorAndTheServerKeepsServing) {
    const std::string token = activeToken();
    const std::string message =
        R"({"guid":"g","service":"imessage","senderHandle":"+1","isGroup":false,"sentAt":"2026-12-07T08:00:00Z","isRead":false})";
    struct Case {
        const char* what;
        std::function<httplib::Result()> send;
        int status;
    };
    const std::vector<Case> cases = {
        {"malformed JSON", [&] { return client->Post("/api/agent/pair", "{not json", "application/json"); },
         400},
        {"missing field",
         [&] { return client->Post("/api/agent/pair", R"({"platform":"macos"})", "application/json"); }, 400},
        {"wrong type",
         [&] {
             return client->Post("/api/agent/pair", R"({"deviceName":7,"platform":"macos"})",
                                 "application/json");
         },
         400},
        {"too deep",
         [&] {
             return client->Post("/api/agent/pair", std::string(500, '[') + std::string(500, ']'),
                                 "application/json");
         },
         400},
        {"no token",
         [&] { return client->Post("/api/ingest/messages", R"({"messages":[]})", "application/json"); }, 401},
        {"wrong token",
         [&] {
             return client->Post("/api/ingest/messages", bearer("kdt_wrong"), R"({"messages":[]})",
                                 "application/json");
         },
         401},
        {"not bearer",
         [&] {
             return client->Get("/api/agent/interrupts", {{"Authorization", "Basic " + token}});
         },
         401},
        {"ingest without messages",
         [&] {
             return client->Post("/api/ingest/messages", bearer(token), R"({"reads":[]})",
                                 "application/json");
         },
         400},
        {"message without guid",
         [&] {
             return client->Post("/api/ingest/messages", bearer(token), R"({"messages":[{"service":"sms"}]})",
                                 "application/json");
         },
         400},
        {"bad date",
         [&] {
             std::string bad = message;
             bad.replace(bad.find("2026-12-07T08:00:00Z"), 20, "yesterday");
             return client->Post("/api/ingest/messages", bearer(token), R"({"messages":[)" + bad + "]}",
                                 "application/json");
         },
         400},
        {"heartbeat not an object",
         [&] { return client->Post("/api/agent/heartbeat", bearer(token), "[]", "application/json"); }, 400},
        {"unknown path", [&] { return client->Get("/api/agent/nothing-here"); }, 404},
        {"wrong method", [&] { return client->Delete("/api/agent/pair"); }, 404},
        {"unknown alert",
         [&] {
             return client->Post("/api/agent/alerts/" + Uuid::random().text() + "/ack", bearer(token), "",
                                 "application/json");
         },
         404},
        {"huge body",
         [&] { return client->Post("/api/agent/pair", std::string(200 * 1024, 'x'), "application/json"); },
         413},
        {"admin unknown code",
         [&] { return client->Post("/admin/pairings/ZZZ-ZZZ/confirm", "", "application/json"); }, 404},
        {"admin bad interrupt", [&] { return client->Post("/admin/interrupts", "{}", "application/json"); },
         400},
        {"admin bad rules",
         [&] { return client->Put("/admin/rules", R"({"keywords":"help"})", "application/json"); }, 400},
        {"admin unknown meeting", [&] { return client->Delete("/admin/meetings/none"); }, 404},
        {"admin command without type",
         [&] { return client->Post("/admin/commands", "{}", "application/json"); }, 400},
    };
    for (const Case& c : cases) {
        expectJsonError(c.send(), c.status, c.what);
    }
    const auto page = client->Get("/");
    ASSERT_TRUE(page);
    EXPECT_EQ(page->status, 200);
    EXPECT_EQ(page->get_header_value("Content-Type"), "text/html; charset=utf-8");
    EXPECT_TRUE(server.household().snapshot().messages.empty());
}

TEST_F(DevServerHttpTest, AlertsAndMeetingsAddedByTheAdminReachTheAgentEndpoints) {
    const std::string token = activeToken();
    const auto added = client->Post(
        "/admin/interrupts",
        R"({"title":"Smoke alarm","urgency":"URGENT","requiresResolution":true,"groupKey":"smoke"})",
        "application/json");
    ASSERT_TRUE(added);
    ASSERT_EQ(added->status, 201) << added->body;
    const std::string id = json::parse(added->body)["interrupt"]["id"];
    ASSERT_EQ(client
                  ->Post("/admin/meetings",
                         R"({"id":"m1","title":"Call","startsInSeconds":600,"provider":"teams"})",
                         "application/json")
                  ->status,
              201);

    const auto interrupts = client->Get("/api/agent/interrupts", bearer(token));
    const InterruptsResponse open = JsonCoding::decode<InterruptsResponse>(interrupts->body);
    ASSERT_EQ(open.interrupts.size(), 1u);
    EXPECT_EQ(open.interrupts[0].id.text(), id);
    EXPECT_EQ(open.interrupts[0].title, "Smoke alarm");

    const MeetingsResponse meetings =
        JsonCoding::decode<MeetingsResponse>(client->Get("/api/agent/meetings", bearer(token))->body);
    ASSERT_EQ(meetings.meetings.size(), 1u);
    EXPECT_EQ(meetings.meetings[0].startsAt, time.now() + Seconds(600));
    EXPECT_EQ(meetings.meetings[0].provider, MeetingProvider::teams);

    const auto ack = client->Post("/api/agent/alerts/" + id + "/ack", bearer(token), "", "application/json");
    EXPECT_EQ(ack->status, 409);
    EXPECT_EQ(json::parse(ack->body)["code"], "requires-resolution");

    EXPECT_EQ(client->Delete("/admin/interrupts/" + id)->status, 200);
    EXPECT_EQ(client->Delete("/admin/meetings/m1")->status, 200);
    EXPECT_TRUE(
        JsonCoding::decode<InterruptsResponse>(client->Get("/api/agent/interrupts", bearer(token))->body)
            .interrupts.empty());
}

TEST_F(DevServerHttpTest, TheAdminStateListsWhatArrivedWithoutAnyToken) {
    const std::string token = activeToken();
    ASSERT_EQ(client->Put("/admin/rules", R"({"keywords":[{"keyword":"fire"}]})", "application/json")->status,
              200);
    IngestRequest request = testsupport::batch({testsupport::message("g1", "FIRE in the kitchen")});
    const auto ingested = client->Post("/api/ingest/messages", bearer(token),
                                       JsonCoding::encode(toJson(request)), "application/json");
    ASSERT_EQ(ingested->status, 200) << ingested->body;

    const auto state = client->Get("/admin/state");
    ASSERT_EQ(state->status, 200);
    EXPECT_EQ(state->body.find(token), std::string::npos);
    EXPECT_EQ(state->body.find("tokenDigest"), std::string::npos);
    const json body = json::parse(state->body);
    EXPECT_EQ(body["messages"][0]["message"]["guid"], "g1");
    EXPECT_EQ(body["messages"][0]["outcome"], "raised");
    EXPECT_EQ(body["interrupts"][0]["sourceGuid"], "g1");
    EXPECT_EQ(body["rules"]["keywords"][0]["keyword"], "fire");

    ASSERT_EQ(client->Post("/admin/reset", "", "application/json")->status, 200);
    EXPECT_TRUE(server.household().snapshot().devices.empty());
    expectJsonError(client->Get("/api/agent/interrupts", bearer(token)), 401, "after reset");
}

TEST_F(DevServerHttpTest, StoppingTheServerCutsAnInjectedDelayShort) {
    const std::string token = activeToken();
    server.faults().add(FaultRule{"fetchMeetings", Fault{FaultKind::delay, 0, "", 3600}, 1});
    auto answer = std::async(std::launch::async, [&] {
        httplib::Client own("127.0.0.1", server.port());
        return own.Get("/api/agent/meetings", bearer(token));
    });
    ASSERT_TRUE(time.waitForSleepers(1));
    server.stop();
    const auto result = answer.get();
    if (result) {
        EXPECT_EQ(result->status, 503);
    }
}

TEST(DevServerStart, APortInUseIsAClearError) {
    DevServer first(loopbackOptions());
    first.start();
    DevServerOptions options = loopbackOptions();
    options.port = first.port();
    DevServer second(options);
    EXPECT_THROW(second.start(), DevServerError);
}

class DevServerStateTest : public ::testing::Test {
protected:
    DevServerOptions withState() {
        DevServerOptions options = loopbackOptions();
        options.stateFile = path;
        return options;
    }

    std::filesystem::path path =
        std::filesystem::path(std::getenv("HOME")) /
        (std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + ".json");
};

TEST_F(DevServerStateTest, TheHouseholdSurvivesARestartAndTheFileNeverHoldsAToken) {
    std::string token;
    {
        DevServer server(withState());
        server.start();
        const PairingCreateResponse created =
            server.household().createPairing(PairingCreateRequest{"mac", "macos", {}});
        token = created.deviceToken;
        httplib::Client client("127.0.0.1", server.port());
        ASSERT_EQ(client.Post("/admin/pairings/" + created.code + "/confirm", "", "application/json")->status,
                  200);
        const auto ingested =
            client.Post("/api/ingest/messages", {{"Authorization", "Bearer " + token}},
                        JsonCoding::encode(toJson(testsupport::batch({testsupport::message("kept")}))),
                        "application/json");
        ASSERT_EQ(ingested->status, 200);
        // Saved before the answer went out, not only at stop.
        const auto saved = AtomicFile::read(path);
        ASSERT_TRUE(saved);
        EXPECT_NE(saved->find("\"kept\""), std::string::npos);
    }
    const std::string contents = AtomicFile::read(path).value();
    EXPECT_EQ(contents.find(token), std::string::npos);

    DevServer restarted(withState());
    restarted.start();
    EXPECT_FALSE(restarted.household().authenticate(token).empty());
    ASSERT_EQ(restarted.household().snapshot().messages.size(), 1u);
    EXPECT_EQ(restarted.household().snapshot().messages[0].message.guid, "kept");
}

TEST_F(DevServerStateTest, ACorruptStateFileStopsTheStartAndIsLeftAsItWas) {
    for (const std::string& contents :
         {std::string("{\"format\":1,\"devices\":[{]"), std::string("[1,2,3]")}) {
        AtomicFile::write(path, contents);
        DevServer server(withState());
        EXPECT_THROW(server.start(), DevServerError);
        server.stop();
        EXPECT_EQ(AtomicFile::read(path), contents);
    }
}

TEST_F(DevServerStateTest, TheDemoIsSeededOnlyIntoANewHousehold) {
    DevServerOptions options = withState();
    options.demo = true;
    {
        DevServer server(options);
        server.start();
        const HouseholdSnapshot seeded = server.household().snapshot();
        EXPECT_EQ(seeded.alerts.size(), 2u);
        EXPECT_EQ(seeded.meetings.size(), 3u);
        EXPECT_FALSE(seeded.rules.keywords.empty());
        server.household().removeMeeting("demo-check-in");
    }
    DevServer again(options);
    again.start();
    EXPECT_EQ(again.household().snapshot().meetings.size(), 2u);
}

}  // namespace
}  // namespace kindora::devserver
