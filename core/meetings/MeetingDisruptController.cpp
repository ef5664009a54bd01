#include "core/meetings/MeetingDisruptController.hpp"

#include <algorithm>
#include <utility>

#include "core/meetings/MeetingDecision.hpp"

namespace kindora {

MeetingDisruptController::MeetingDisruptController(MeetingPreferencesStore& preferencesStore,
                                                   MeetingPresentationLedger& ledger,
                                                   std::function<Date()> now, MainQueue& mainQueue)
    : preferences_(preferencesStore.load()),
      preferencesStore_(preferencesStore),
      ledger_(ledger),
      now_(std::move(now)),
      mainQueue_(mainQueue) {}

MeetingDisruptController::~MeetingDisruptController() = default;

std::optional<Meeting> MeetingDisruptController::presentedMeeting() const {
    if (presentedMeetings().empty()) {
        return std::nullopt;
    }
    return presentedMeetings().front();
}

Subscription MeetingDisruptController::observePresentedMeetings(
    std::function<void(const std::vector<Meeting>&)> observer) {
    return presentedMeetings_.observe(std::move(observer));
}

Subscription MeetingDisruptController::observePreferences(
    std::function<void(const MeetingPreferences&)> observer) {
    return preferences_.observe(std::move(observer));
}

void MeetingDisruptController::setPreferences(const MeetingPreferences& preferences) {
    if (preferences_.set(preferences)) {
        preferencesStore_.save(preferences);
    }
    evaluate();
}

void MeetingDisruptController::handleMeetings(const MeetingsResponse& response) {
    currentMeetings_ = response.meetings;
    evaluate();
}

void MeetingDisruptController::setDNDActive(bool active) {
    isDNDActive_.set(active);
    evaluate();
}

void MeetingDisruptController::setAlertInterruptPresenting(bool presenting) {
    isAlertInterruptPresenting_.set(presenting);
    evaluate();
}

void MeetingDisruptController::dismiss(const Meeting& meeting) {
    dismissedIDs_.insert(meeting.id);
    auto remaining = presentedMeetings();
    std::erase_if(remaining, [&](const Meeting& shown) { return shown.id == meeting.id; });
    presentedMeetings_.set(std::move(remaining));
}

void MeetingDisruptController::markJoined(const std::string& id, std::optional<Date> startsAt) {
    suppressedMeetingIDs_.insert(id);
    if (!startsAt) {
        // Without a start from the caller, the joined meeting's own start still identifies its companions.
        for (const std::vector<Meeting>* meetings :
             {&presentedMeetings(), &std::as_const(currentMeetings_)}) {
            for (const auto& meeting : *meetings) {
                if (!startsAt && meeting.id == id) {
                    startsAt = meeting.startsAt;
                }
            }
        }
    }
    if (startsAt) {
        suppressedStartsAts_.insert(*startsAt);
    }
    auto remaining = presentedMeetings();
    std::erase_if(remaining, [&](const Meeting& shown) { return isSuppressed(shown); });
    presentedMeetings_.set(std::move(remaining));
    evaluate();
}

bool MeetingDisruptController::isSuppressed(const Meeting& meeting) const {
    return suppressedMeetingIDs_.contains(meeting.id) || suppressedStartsAts_.contains(meeting.startsAt);
}

std::vector<Meeting> MeetingDisruptController::companionsOf(const Meeting& chosen) const {
    std::vector<Meeting> companions;
    for (const auto& meeting : currentMeetings_) {
        if (meeting.id != chosen.id && meeting.startsAt == chosen.startsAt && !isSuppressed(meeting) &&
            std::none_of(companions.begin(), companions.end(),
                         [&](const Meeting& added) { return added.id == meeting.id; })) {
            companions.push_back(meeting);
        }
    }
    return companions;
}

std::vector<Meeting> MeetingDisruptController::visibleTakeover(const Meeting& claimed,
                                                               const std::vector<Meeting>& companions) const {
    std::vector<Meeting> visible;
    if (!isSuppressed(claimed) && !dismissedIDs_.contains(claimed.id)) {
        visible.push_back(claimed);
    }
    for (const auto& companion : companions) {
        if (!dismissedIDs_.contains(companion.id)) {
            visible.push_back(companion);
        }
    }
    return visible;
}

void MeetingDisruptController::claim(const Meeting& chosen) {
    claimedMeetingID_ = chosen.id;
    dismissedIDs_.clear();
}

void MeetingDisruptController::clearClaim() {
    claimedMeetingID_.reset();
    dismissedIDs_.clear();
}

void MeetingDisruptController::evaluate() {
    boundary_.reset();
    const MeetingPreferences& preferences = preferences_.value();
    if (!preferences.isDisruptEnabled || isDNDActive() || isAlertInterruptPresenting()) {
        presentedMeetings_.set({});
        if (!preferences.isDisruptEnabled) {
            clearClaim();
        }
        return;
    }
    const Date now = now_();

    if (claimedMeetingID_) {
        const auto claimed =
            std::find_if(currentMeetings_.begin(), currentMeetings_.end(),
                         [&](const Meeting& meeting) { return meeting.id == *claimedMeetingID_; });
        if (claimed != currentMeetings_.end() &&
            MeetingDecision::isRelevant(*claimed, preferences.leadTime, now)) {
            const auto companions = companionsOf(*claimed);
            for (const auto& companion : companions) {
                if (!ledger_.hasPresented(companion.id)) {
                    ledger_.markPresented(companion.id);
                }
            }
            // The claim holds: what the user dismissed stays hidden, and a takeover that an alert or
            // do-not-disturb held back comes back for the rest of its window.
            presentedMeetings_.set(visibleTakeover(*claimed, companions));
            scheduleBoundary(now);
            return;
        }
        clearClaim();
    }

    auto alreadyPresented = ledger_.presentedIDs();
    alreadyPresented.insert(suppressedMeetingIDs_.begin(), suppressedMeetingIDs_.end());
    std::vector<Meeting> candidates;
    for (const auto& meeting : currentMeetings_) {
        if (!suppressedStartsAts_.contains(meeting.startsAt)) {
            candidates.push_back(meeting);
        }
    }
    const auto chosen = MeetingDecision::decide(candidates, alreadyPresented, preferences, now);
    if (!chosen) {
        presentedMeetings_.set({});
    } else {
        claim(*chosen);
        std::vector<Meeting> takeover{*chosen};
        const auto companions = companionsOf(*chosen);
        takeover.insert(takeover.end(), companions.begin(), companions.end());
        for (const auto& meeting : takeover) {
            ledger_.markPresented(meeting.id);
        }
        presentedMeetings_.set(std::move(takeover));
    }
    scheduleBoundary(now);
}

void MeetingDisruptController::scheduleBoundary(Date now) {
    const double lead = seconds(preferences_.value().leadTime);
    std::optional<Date> next;
    for (const auto& meeting : currentMeetings_) {
        for (const Date boundary : {meeting.startsAt + Seconds(-lead),
                                    meeting.startsAt + Seconds(MeetingDecision::justStartedWindow)}) {
            if (boundary > now && (!next || boundary < *next)) {
                next = boundary;
            }
        }
    }
    if (!next) {
        return;
    }
    // Come too early by the clock (it was set back), the evaluation finds the boundary still ahead and
    // waits for it again.
    boundary_ = std::make_unique<PostScope>(mainQueue_);
    boundary_->postAfter(secondsBetween(now, *next), [this] { evaluate(); });
}

}  // namespace kindora
