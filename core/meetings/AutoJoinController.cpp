#include "core/meetings/AutoJoinController.hpp"

#include <algorithm>
#include <utility>

#include "core/meetings/AutoJoinDecision.hpp"

namespace kindora {

AutoJoinController::AutoJoinController(MeetingPreferencesStore& preferencesStore,
                                       MeetingPresentationLedger& ledger, std::function<Date()> now,
                                       MeetingPresenceProbe presenceProbe, Opener opener, MainQueue& mainQueue)
    : preferencesStore_(preferencesStore),
      ledger_(ledger),
      now_(std::move(now)),
      opener_(std::move(opener)),
      presenceProbe_(std::move(presenceProbe)),
      mainQueue_(mainQueue) {}

AutoJoinController::~AutoJoinController() {
    boundary_.reset();
    probeTask_.reset();
}

void AutoJoinController::handleMeetings(const MeetingsResponse& response) {
    currentMeetings_ = response.meetings;
    evaluate();
}

bool AutoJoinController::isArmed(const Meeting& meeting) const {
    if (!AutoJoinDecision::gatesOpen(preferencesStore_.load())) {
        return false;
    }
    auto meetings = currentMeetings_;
    if (std::none_of(meetings.begin(), meetings.end(),
                     [&](const Meeting& known) { return known.id == meeting.id; })) {
        meetings.push_back(meeting);
    }
    return AutoJoinDecision::isEligible(meeting, meetings, ledger_.presentedIDs()) &&
           AutoJoinDecision::hasGraceLeft(meeting, now_());
}

void AutoJoinController::suppress(const Meeting& meeting, AutoJoinSuppression reason) {
    ledger_.markPresented(meeting.id);
    logger_.info("auto-join: suppressed meeting {} reason={}", meeting.id, logValue(reason));
    evaluate();
}

void AutoJoinController::preferencesChanged() { evaluate(); }

void AutoJoinController::setOnDidJoin(std::function<void(const Meeting&)> onDidJoin) {
    onDidJoin_ = std::move(onDidJoin);
}

void AutoJoinController::evaluate() {
    boundary_.reset();
    if (probing_) {
        return;  // the answer decides with whatever is current by then
    }
    const auto preferences = preferencesStore_.load();
    // The probe asks the audio system, so it runs only when its answer can matter: a meeting would open
    // now unless the user is in a call.
    if (AutoJoinDecision::gatesOpen(preferences) && preferences.isPresenceSuppressionEnabled &&
        AutoJoinDecision::meetingToJoinNow(currentMeetings_, ledger_.presentedIDs(), preferences, false,
                                           now_())) {
        startProbe();
        return;
    }
    decide(false);
}

void AutoJoinController::startProbe() {
    probing_ = true;
    retiredProbes_.retire(std::move(probeTask_));
    probeTask_ = std::make_unique<BackgroundTask>(
        mainQueue_, [this, probe = presenceProbe_](const BackgroundTask::Context& context) {
            const bool inMeeting = probe.isLikelyInMeeting();
            context.post([this, inMeeting] {
                probing_ = false;
                decide(inMeeting);
            });
        });
}

void AutoJoinController::decide(bool probedInMeeting) {
    const auto preferences = preferencesStore_.load();
    const Date now = now_();
    const bool isAlreadyInMeeting = AutoJoinDecision::gatesOpen(preferences) &&
                                    preferences.isPresenceSuppressionEnabled && probedInMeeting;

    const auto joinedBefore = ledger_.presentedIDs();
    const auto toJoin = AutoJoinDecision::meetingToJoinNow(currentMeetings_, joinedBefore, preferences,
                                                           isAlreadyInMeeting, now);
    if (toJoin) {
        ledger_.markPresented(toJoin->id);
        loggedOutcomeIDs_.insert(toJoin->id);
        opener_(*AutoJoinDecision::usableJoinURL(*toJoin));
        logger_.info("auto-join: joined meeting {}", toJoin->id);
    } else if (isAlreadyInMeeting) {
        const auto held =
            AutoJoinDecision::meetingToJoinNow(currentMeetings_, joinedBefore, preferences, false, now);
        if (held && presenceLoggedIDs_.insert(held->id).second) {
            logger_.info("auto-join: skipped meeting {} reason=already-in-meeting", held->id);
        }
    }

    const auto joinedIDs = ledger_.presentedIDs();
    logSkips(joinedIDs, preferences, now);

    auto boundary = AutoJoinDecision::nextBoundary(currentMeetings_, joinedIDs, preferences, now);
    if (const auto recheck = AutoJoinDecision::presenceRecheckBoundary(currentMeetings_, joinedIDs, now)) {
        boundary = boundary ? std::min(*boundary, *recheck) : *recheck;
    }
    if (boundary) {
        scheduleBoundary(now, *boundary);
    }

    // Last: the receiver may call back into this controller.
    if (toJoin && onDidJoin_) {
        onDidJoin_(*toJoin);
    }
}

void AutoJoinController::logSkips(const std::set<std::string>& joinedIDs,
                                  const MeetingPreferences& preferences, Date now) {
    for (const auto& meeting : currentMeetings_) {
        if (meeting.startsAt > now || loggedOutcomeIDs_.contains(meeting.id)) {
            continue;
        }
        const auto reason =
            AutoJoinDecision::skipReason(meeting, currentMeetings_, joinedIDs, preferences, now);
        if (reason) {
            loggedOutcomeIDs_.insert(meeting.id);
            logger_.info("auto-join: skipped meeting {} reason={}", meeting.id, *reason);
        }
    }
}

void AutoJoinController::scheduleBoundary(Date now, Date boundary) {
    // Come too early by the clock (it was set back), the evaluation finds the boundary still ahead and
    // waits for it again.
    boundary_ = std::make_unique<PostScope>(mainQueue_);
    boundary_->postAfter(std::max(0.0, secondsBetween(now, boundary)), [this] { evaluate(); });
}

}  // namespace kindora
