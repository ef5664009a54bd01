// The popover's and the wizard's view models over their sources on virtual time: what each shows,
// what it writes back, and that a clock ticks only while its view is on screen.
#include <gtest/gtest.h>

#include <QObject>

#include <string>
#include <vector>

#include "app/viewmodels/DoNotDisturbViewModel.hpp"
#include "app/viewmodels/MeetingSettingsViewModel.hpp"
#include "app/viewmodels/PairingCodeViewModel.hpp"
#include "app/viewmodels/StatusViewModel.hpp"
#include "app/viewmodels/WizardViewModel.hpp"
#include "core/agent/Agent.hpp"
#include "tests/app/PanelFixture.hpp"
#include "tests/app/ScriptedStatusSource.hpp"

namespace kindora {
namespace {

using testing::ScriptedStatusSource;

// Counts a view model's `changed` signals: what makes its view read it again.
class Changes {
public:
    template <typename ViewModel>
    explicit Changes(ViewModel& viewModel)
        : connection_(QObject::connect(&viewModel, &ViewModel::changed, [this] { ++count_; })) {}
    Changes(const Changes&) = delete;
    Changes& operator=(const Changes&) = delete;
    ~Changes() { QObject::disconnect(connection_); }

    int count() const { return count_; }

private:
    int count_ = 0;
    QMetaObject::Connection connection_;
};

class ViewModels : public testing::PanelFixture {
public:
    // Moves virtual time one second at a time, running what comes due.
    void passSeconds(int seconds) {
        for (int second = 0; second < seconds; ++second) {
            time.advance(1);
            mainQueue.drain();
        }
    }

    ScriptedStatusSource source;
};

TEST_F(ViewModels, ThePairingCodeCountsDownWhileShownAndExpiresWithoutThePairingFlow) {
    source.change([&](auto& s) { s.phase_ = Phase::pairing("K7Q2-9XPA", time.now() + std::chrono::seconds(62)); });
    PairingCodeViewModel wizardCode(source, time.nowFunction(), mainQueue);
    const Changes changes(wizardCode);
    EXPECT_EQ(wizardCode.code().toStdString(), "K7Q2-9XPA");
    EXPECT_EQ(wizardCode.instruction().toStdString(),
              "Enter this code in your Kindora household's web app at app.kindora.example to finish pairing:");

    // Nobody looks: nothing ticks.
    passSeconds(2);
    EXPECT_EQ(changes.count(), 0);
    EXPECT_TRUE(mainQueue.pendingDelays().empty());

    wizardCode.setShown(true);
    EXPECT_EQ(wizardCode.expiry().toStdString(), "Code expires in 1:00");
    passSeconds(1);
    EXPECT_EQ(wizardCode.expiry().toStdString(), "Code expires in 0:59");
    const int changesBefore = changes.count();
    passSeconds(59);
    EXPECT_EQ(changes.count() - changesBefore, 59) << "one refresh a second";
    EXPECT_EQ(wizardCode.expiry().toStdString(), "Code expired");
    EXPECT_TRUE(source.phase().isPairing()) << "the flow itself has not reacted yet";

    wizardCode.setShown(false);
    const int changesWhenHidden = changes.count();
    passSeconds(3);
    EXPECT_EQ(changes.count(), changesWhenHidden);
    wizardCode.cancel();
    EXPECT_EQ(source.calls, std::vector<std::string>{"cancelPairing"});
}

TEST_F(ViewModels, TheHeaderSaysDegradedWithItsReasonAndOffersRetryOnlyForSync) {
    source.change([&](auto& s) {
        s.sync_.lastSyncAt = time.now();
        s.phase_ = Phase::running(Health::degraded(UserText(Agent::heartbeatFailingText)));
    });
    StatusViewModel status(source, time.nowFunction(), mainQueue);
    EXPECT_EQ(status.screen(), StatusViewModel::Screen::Running);
    EXPECT_EQ(status.healthLabel().toStdString(), "Degraded");
    EXPECT_FALSE(status.healthy());
    EXPECT_EQ(status.degradedReason().toStdString(), "Heartbeat failing — check your connection");
    EXPECT_EQ(status.retryCaption().toStdString(), "") << "sync itself is fine: no retry row";

    source.change([&](auto& s) {
        s.sync_.lastError = UserText::verbatim("The household could not be reached");
        s.phase_ = Phase::running(Health::degraded(UserText::verbatim("The household could not be reached")));
    });
    EXPECT_EQ(status.degradedReason().toStdString(), "The household could not be reached");
    EXPECT_EQ(status.retryCaption().toStdString(), "Retry now — automatic sync is backing off after an error.");

    // A locked keyring holds the token back: unlocking is the action, not a retry.
    source.change([](auto& s) { s.access_ = CredentialAccess::locked; });
    EXPECT_TRUE(status.canUnlockKeyring());
    EXPECT_EQ(status.retryCaption().toStdString(), "");

    source.change([](auto& s) {
        s.access_ = CredentialAccess::ready;
        s.sync_.lastError.reset();
        s.phase_ = Phase::running(Health::healthy());
    });
    EXPECT_EQ(status.healthLabel().toStdString(), "Running");
    EXPECT_TRUE(status.healthy());
}

TEST_F(ViewModels, TheDashboardRefreshesOnlyWhileThePopoverShowsAndStartingPairingDisablesItsButton) {
    source.change([&](auto& s) { s.phase_ = Phase::signedOut(); });
    StatusViewModel status(source, time.nowFunction(), mainQueue);
    const Changes changes(status);

    status.startPairing();
    source.change([](auto& s) { s.pairingInProgress_ = true; });
    EXPECT_TRUE(status.pairingInProgress()) << "the buttons that start pairing are disabled";
    source.change([](auto& s) { s.pairingInProgress_ = false; });
    EXPECT_FALSE(status.pairingInProgress());
    EXPECT_EQ(source.calls, std::vector<std::string>{"startPairing"});

    const int changesBefore = changes.count();
    passSeconds(5);
    EXPECT_EQ(changes.count(), changesBefore) << "a closed popover does not tick";
    status.setShown(true);
    passSeconds(5);
    EXPECT_EQ(changes.count() - changesBefore, 6) << "once on showing, then once a second";
    status.setShown(false);
    const int changesWhenClosed = changes.count();
    passSeconds(3);
    EXPECT_EQ(changes.count(), changesWhenClosed);
}

TEST_F(ViewModels, DoNotDisturbCountsDownOnlyWhileItsSectionIsOnScreen) {
    DoNotDisturbViewModel section(dnd, interrupts_, time.nowFunction(), mainQueue);
    const Changes changes(section);
    section.enable(0);  // the first preset, 30 minutes
    ASSERT_TRUE(section.active());
    EXPECT_EQ(section.remaining().toStdString(), "30m left");

    const int changesWhileHidden = changes.count();
    passSeconds(60);
    EXPECT_EQ(changes.count(), changesWhileHidden) << "no one-second clock while the section is not shown";

    section.setShown(true);
    passSeconds(28 * 60 + 1);
    EXPECT_EQ(section.remaining().toStdString(), "1m left");
    EXPECT_GE(changes.count() - changesWhileHidden, 28 * 60 + 1);

    section.setShown(false);
    const int changesAfterHiding = changes.count();
    passSeconds(30);
    EXPECT_EQ(changes.count(), changesAfterHiding);
}

TEST_F(ViewModels, EachMeetingSettingWritesTheWholePreferencesBack) {
    struct NoLoginItems final : LoginItemService {
        Status status() const override { return Status::notRegistered; }
        void registerLoginItem() override {}
        void unregisterLoginItem() override {}
    } loginItems;
    MeetingSettingsViewModel settings(meetings_, loginItems);
    const auto saved = [&] { return preferencesStore.load(); };
    ASSERT_EQ(saved(), (MeetingPreferences{true, MeetingLeadTime::fiveMinutes, true, false}));

    settings.setLeadTimeIndex(2);
    EXPECT_EQ(saved(), (MeetingPreferences{true, MeetingLeadTime::oneMinute, true, false}));
    settings.setAutoJoinEnabled(false);
    EXPECT_EQ(saved(), (MeetingPreferences{true, MeetingLeadTime::oneMinute, false, false}));
    settings.setPresenceSuppressionEnabled(true);
    EXPECT_EQ(saved(), (MeetingPreferences{true, MeetingLeadTime::oneMinute, false, true}));
    settings.setDisruptEnabled(false);
    EXPECT_EQ(saved(), (MeetingPreferences{false, MeetingLeadTime::oneMinute, false, true}));
    EXPECT_EQ(preferencesStore.saveCount(), 4);

    // The controls read back what was saved, and an entry the picker does not list changes nothing.
    EXPECT_EQ(settings.leadTimeIndex(), 2);
    EXPECT_FALSE(settings.disruptEnabled());
    settings.setLeadTimeIndex(4);
    EXPECT_EQ(preferencesStore.saveCount(), 4);
}

TEST_F(ViewModels, TheWizardClosedByHandStaysUnfinishedAndKeepsItsLastStepOnScreen) {
    SetupWizardController wizard;
    int completions = 0;
    wizard.setOnCompleted([&] { ++completions; });
    Observable<bool> grantDetected{false};
    WizardViewModel content(wizard, grantDetected);
    EXPECT_FALSE(content.open());

    wizard.open(/*hasFDA=*/false, /*hasCredentials=*/false);
    EXPECT_EQ(content.step(), WizardViewModel::Step::Welcome);
    content.advanceFromWelcome();
    EXPECT_EQ(content.step(), WizardViewModel::Step::FullDiskAccess);
    grantDetected.set(true);
    EXPECT_TRUE(content.grantDetected());

    // The close button and Escape both close it this way.
    content.close();
    EXPECT_FALSE(content.open());
    EXPECT_EQ(content.step(), WizardViewModel::Step::FullDiskAccess) << "shown while the window closes";
    EXPECT_EQ(completions, 0);

    wizard.open(/*hasFDA=*/true, /*hasCredentials=*/true);
    EXPECT_EQ(content.step(), WizardViewModel::Step::Done);
    content.finish();
    EXPECT_FALSE(content.open());
    EXPECT_EQ(completions, 1);
}

}  // namespace
}  // namespace kindora
