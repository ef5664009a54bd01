#pragma once

#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "core/backend/MeetingRecords.hpp"
#include "core/common/BackgroundTask.hpp"
#include "core/common/RetiredTasks.hpp"
#include "core/common/Date.hpp"
#include "core/common/Log.hpp"
#include "core/common/MainQueue.hpp"
#include "core/common/PostScope.hpp"
#include "core/meetings/AutoJoinSuppression.hpp"
#include "core/meetings/MeetingPreferencesStore.hpp"
#include "core/meetings/MeetingPresenceProbe.hpp"
#include "core/meetings/MeetingPresentationLedger.hpp"

namespace kindora {

// Opens a meeting's join link by itself at the meeting's start, when the user switched auto-join on:
// only links of the known meeting services, never twice (the auto-join ledger remembers each meeting
// joined or declined for a day, across restarts), and not while the user seems to be in a call
// already, in which case it looks again every 15 seconds until two minutes after the start.
// Do-not-disturb and alerts do not hold it back. The in-a-call guess asks the sound server, which may
// take a while: it runs only when a meeting is due to open, on a thread of its own, and the decision
// waits for its answer. Lives on the main thread; every member is called there.
class AutoJoinController {
public:
    // Opens a URL in its default application; fire and forget.
    using Opener = std::function<void(const std::string& url)>;

    AutoJoinController(MeetingPreferencesStore& preferencesStore, MeetingPresentationLedger& ledger,
                       std::function<Date()> now, MeetingPresenceProbe presenceProbe, Opener opener,
                       MainQueue& mainQueue);
    AutoJoinController(const AutoJoinController&) = delete;
    AutoJoinController& operator=(const AutoJoinController&) = delete;
    ~AutoJoinController();

    // The poller's answer (handed to the main thread by whoever wires the poller).
    void handleMeetings(const MeetingsResponse& response);
    // Whether the meeting would be opened automatically: both switches on, the meeting eligible and its
    // start not two minutes or more in the past.
    bool isArmed(const Meeting& meeting) const;
    // The user joined by hand or declined: the meeting is never opened automatically.
    void suppress(const Meeting& meeting, AutoJoinSuppression reason);
    // The saved meeting preferences changed: plans the next start-time boundary again.
    void preferencesChanged();
    // Told after every automatic join.
    void setOnDidJoin(std::function<void(const Meeting&)> onDidJoin);

    const std::vector<Meeting>& currentMeetings() const { return currentMeetings_; }
    // True while a deadline at the next boundary is pending.
    bool hasPendingBoundary() const { return boundary_ != nullptr; }
    // True while the in-a-call guess is being asked.
    bool isProbing() const { return probing_; }

private:
    void evaluate();
    void startProbe();
    // Decides with the in-a-call guess, when it was asked.
    void decide(bool probedInMeeting);
    void logSkips(const std::set<std::string>& joinedIDs, const MeetingPreferences& preferences, Date now);
    void scheduleBoundary(Date now, Date boundary);

    MeetingPreferencesStore& preferencesStore_;
    MeetingPresentationLedger& ledger_;
    std::function<Date()> now_;
    Opener opener_;
    MeetingPresenceProbe presenceProbe_;
    Log logger_{"Meetings"};
    std::function<void(const Meeting&)> onDidJoin_;
    std::vector<Meeting> currentMeetings_;
    std::set<std::string> loggedOutcomeIDs_;
    std::set<std::string> presenceLoggedIDs_;
    MainQueue& mainQueue_;
    bool probing_ = false;
    // Last, so that the probe is cancelled and joined, and the deadline at the next boundary dropped,
    // before anything they could reach goes away. A finished probe's task is kept until the next one
    // replaces it, so that ending it never waits for its thread on the main thread.
    RetiredTasks retiredProbes_;
    std::unique_ptr<BackgroundTask> probeTask_;
    std::unique_ptr<PostScope> boundary_;
};

}  // namespace kindora
