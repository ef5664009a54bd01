#pragma once

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QRect>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/panels/AlertSound.hpp"
#include "app/panels/InterruptPanelContent.hpp"
#include "app/panels/MeetingPanelContent.hpp"
#include "app/panels/PanelSurfaces.hpp"
#include "app/panels/ScreenLayout.hpp"
#include "core/credentials/InMemoryCredentialStore.hpp"
#include "core/interrupts/InterruptController.hpp"
#include "core/meetings/AutoJoinController.hpp"
#include "core/meetings/MeetingDisruptController.hpp"
#include "tests/app/QtTestApplication.hpp"
#include "tests/interrupts/FakeInterruptBackend.hpp"
#include "tests/meetings/MeetingTestSupport.hpp"
#include "tests/support/InMemoryDoNotDisturbStore.hpp"
#include "tests/support/InMemoryMeetingLedgerStore.hpp"
#include "tests/support/InMemoryMeetingPreferencesStore.hpp"
#include "tests/support/LogCapture.hpp"

namespace kindora::testing {

// Stand-ins for what the panels put on an X display, recording what the controllers ask of them.
struct RecordingAlertPanel final : InterruptPanelSurface {
    void show() override {
        ++shows;
        shown = true;
    }
    void hide() override { shown = false; }
    bool isShown() const override { return shown; }
    bool canShow() override { return loads; }
    int shows = 0;
    bool shown = false;
    bool loads = true;
};

struct RecordingTakeover final : MeetingTakeoverSurface {
    void cover(const std::vector<QRect>& screens) override { covered = screens; }
    std::vector<QRect> frames() const override { return covered; }
    void show() override {
        ++shows;
        shown = true;
    }
    void hide() override { shown = false; }
    bool isShown() const override { return shown; }
    bool canShow() override { return true; }
    std::vector<QRect> covered;
    int shows = 0;
    bool shown = false;
};

struct ChangingScreens final : ScreenLayout {
    std::vector<QRect> frames() const override { return screens; }
    std::optional<QRect> workingScreen() const override { return working; }
    void setOnChanged(std::function<void()> callback) override { onChanged = std::move(callback); }
    void change(std::vector<QRect> now) {
        screens = std::move(now);
        onChanged();
    }
    std::vector<QRect> screens{QRect(0, 0, 1280, 800), QRect(1280, 0, 1024, 768)};
    std::optional<QRect> working;
    std::function<void()> onChanged;
};

struct CountingSound final : AlertSound {
    void play() override { ++plays; }
    int plays = 0;
};

// The real interrupt, meeting disrupt and auto-join controllers over a scripted backend, in-memory
// stores, a hand-driven main queue and virtual time, with the two panel contents over them. A plain
// object, so that a test can decide (skip) before any of it is made.
class PanelScene {
public:
    PanelScene() {
        if (!QCoreApplication::instance()) {
            qtApplication();  // the GUI suites bring their own application object
        }
        credentials.saveDeviceToken("device-token-7b1e");
    }

    static Interrupt alert(std::string title, std::optional<std::string> groupKey = std::nullopt) {
        Interrupt interrupt;
        interrupt.id = Uuid::random();
        interrupt.title = std::move(title);
        interrupt.body = "The back door has been open for 20 minutes";
        interrupt.urgency = InterruptUrgency::urgent;
        interrupt.source = "Home rules";
        interrupt.groupKey = std::move(groupKey);
        return interrupt;
    }

    void pollAlerts(std::vector<Interrupt> interrupts, bool truncated = false) {
        interrupts_.handlePoll(InterruptsResponse{std::move(interrupts), truncated});
    }

    void pollMeetings(std::vector<Meeting> meetings) {
        const MeetingsResponse response{std::move(meetings)};
        meetings_.handleMeetings(response);
        autoJoin_.handleMeetings(response);
        stepper.settle();
    }

    void setPreferences(bool disrupt, bool autoJoin) {
        meetings_.setPreferences(MeetingPreferences{disrupt, MeetingLeadTime::fiveMinutes, autoJoin, false});
    }

    const Date ten = at("2026-12-07T10:00:00Z");
    VirtualTime time{at("2026-12-07T09:56:00Z")};
    ManualMainQueue mainQueue{time};
    LogCapture logs;
    FakeInterruptBackend backend;
    InMemoryCredentialStore credentials;
    RevocationHandler revocation{credentials};
    InMemoryDoNotDisturbStore dndStore;
    DoNotDisturbController dnd{dndStore, mainQueue, time.nowFunction()};
    InterruptController interrupts_{backend, credentials, revocation, mainQueue, &dnd, [] {}};

    InMemoryMeetingPreferencesStore preferencesStore{
        MeetingPreferences{true, MeetingLeadTime::fiveMinutes, true, false}};
    InMemoryMeetingLedgerStore presentationStore;
    MeetingPresentationLedger presentationLedger{presentationStore, time.nowFunction()};
    MeetingDisruptController meetings_{preferencesStore, presentationLedger, time.nowFunction(), mainQueue};
    InMemoryMeetingLedgerStore autoJoinStore;
    MeetingPresentationLedger autoJoinLedger{autoJoinStore, time.nowFunction()};
    std::vector<std::string> opened;
    AutoJoinController autoJoin_{preferencesStore,
                                 autoJoinLedger,
                                 time.nowFunction(),
                                 MeetingPresenceProbe([] { return false; }),
                                 [this](const std::string& url) { opened.push_back(url); },
                                 mainQueue};

    // Moves virtual time with the controllers' deadlines coming due on the way.
    BoundaryStepper stepper{time, mainQueue};

    InterruptPanelContent alertContent{interrupts_, time.nowFunction()};
    MeetingPanelContent meetingContent{
        meetings_, &autoJoin_, [this](const std::string& url) { opened.push_back(url); }, time.nowFunction()};
};

class PanelFixture : public ::testing::Test, public PanelScene {};

}  // namespace kindora::testing
