#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "core/backend/MeetingRecords.hpp"
#include "core/common/Date.hpp"
#include "core/common/MainQueue.hpp"
#include "core/common/Observable.hpp"
#include "core/common/PostScope.hpp"
#include "core/meetings/MeetingPreferences.hpp"
#include "core/meetings/MeetingPreferencesStore.hpp"
#include "core/meetings/MeetingPresentationLedger.hpp"

namespace kindora {

// Decides when a meeting takes over the screen and publishes what the meeting panel shows. A meeting
// is taken over once (the presentation ledger remembers it for a day, across restarts) and stays
// claimed for the rest of its window. Household alerts and do-not-disturb hold every takeover back;
// when they end, a claimed meeting still in its window comes back unless the user dismissed it.
// Between polls a deadline on the main queue re-evaluates exactly when the next window opens or closes.
// Lives on the main thread; every member is called there.
class MeetingDisruptController {
public:
    MeetingDisruptController(MeetingPreferencesStore& preferencesStore, MeetingPresentationLedger& ledger,
                             std::function<Date()> now, MainQueue& mainQueue);
    MeetingDisruptController(const MeetingDisruptController&) = delete;
    MeetingDisruptController& operator=(const MeetingDisruptController&) = delete;
    ~MeetingDisruptController();

    // What the panel shows now: the claimed meeting first, then the meetings starting with it.
    const std::vector<Meeting>& presentedMeetings() const { return presentedMeetings_.value(); }
    std::optional<Meeting> presentedMeeting() const;
    [[nodiscard]] Subscription observePresentedMeetings(
        std::function<void(const std::vector<Meeting>&)> observer);

    const MeetingPreferences& preferences() const { return preferences_.value(); }
    [[nodiscard]] Subscription observePreferences(std::function<void(const MeetingPreferences&)> observer);
    // Saves the preferences when they differ from the current ones, then evaluates.
    void setPreferences(const MeetingPreferences& preferences);

    const std::vector<Meeting>& currentMeetings() const { return currentMeetings_; }
    bool isDNDActive() const { return isDNDActive_.value(); }
    bool isAlertInterruptPresenting() const { return isAlertInterruptPresenting_.value(); }
    const std::optional<std::string>& claimedMeetingID() const { return claimedMeetingID_; }
    // True while a deadline at the next boundary is pending.
    bool hasPendingBoundary() const { return boundary_ != nullptr; }

    // The poller's answer (handed to the main thread by whoever wires the poller).
    void handleMeetings(const MeetingsResponse& response);
    void setDNDActive(bool active);
    void setAlertInterruptPresenting(bool presenting);
    // The user hid the takeover of this meeting; it stays hidden for the rest of its window.
    void dismiss(const Meeting& meeting);
    // The user joined a meeting (by hand or through auto-join): it and every meeting starting at the
    // same time leave the takeover and are not taken over again in this run.
    void markJoined(const std::string& id, std::optional<Date> startsAt);

private:
    void evaluate();
    bool isSuppressed(const Meeting& meeting) const;
    std::vector<Meeting> companionsOf(const Meeting& chosen) const;
    std::vector<Meeting> visibleTakeover(const Meeting& claimed,
                                         const std::vector<Meeting>& companions) const;
    void claim(const Meeting& chosen);
    void clearClaim();
    void scheduleBoundary(Date now);

    Observable<std::vector<Meeting>> presentedMeetings_;
    Observable<MeetingPreferences> preferences_;
    std::vector<Meeting> currentMeetings_;
    Observable<bool> isDNDActive_{false};
    Observable<bool> isAlertInterruptPresenting_{false};
    std::optional<std::string> claimedMeetingID_;
    std::set<std::string> suppressedMeetingIDs_;
    std::set<Date> suppressedStartsAts_;
    std::set<std::string> dismissedIDs_;  // dismissed during the current claim

    MeetingPreferencesStore& preferencesStore_;
    MeetingPresentationLedger& ledger_;
    std::function<Date()> now_;
    MainQueue& mainQueue_;
    // The deadline at the next boundary, replaced at every evaluation. Last: dropped before the state it
    // touches goes away.
    std::unique_ptr<PostScope> boundary_;
};

}  // namespace kindora
