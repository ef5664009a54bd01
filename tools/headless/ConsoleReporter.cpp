#include "tools/headless/ConsoleReporter.hpp"

#include <string>

#include "core/common/JsonDate.hpp"

namespace kindora {
namespace {

// The parts of a sync status a person reads; when the last sync happened changes at every tick.
bool sameForAPerson(const SyncStatus& left, const SyncStatus& right) {
    return left.lastError == right.lastError && left.sessionSentCount == right.sessionSentCount &&
           left.lifetimeSentCount == right.lifetimeSentCount &&
           left.queueLagRowCount == right.queueLagRowCount;
}

}  // namespace

ConsoleReporter::ConsoleReporter(Agent& agent) : agent_(agent) {
    subscriptions_.push_back(agent_.appState().observePhase([this](const Phase& phase) {
        logger_.info("phase: {}", describe(phase));
        if (phase.isPairing()) {
            logger_.info("enter the pairing code {} in the household's web app (it expires {})", phase.code(),
                         JsonDate::encode(phase.expiresAt()));
        }
    }));
    subscriptions_.push_back(agent_.syncStatusStore().observeStatus(
        [this](const SyncStatus& status) { syncStatusChanged(status); }));
    subscriptions_.push_back(
        agent_.pairingController().observeLastError([this](const std::optional<UserText>& error) {
            if (error) {
                logger_.error("pairing failed: {}", error->english());
            }
        }));
    subscriptions_.push_back(agent_.interruptController().observe([this] {
        const auto& group = agent_.interruptController().presentedGroup();
        if (group == lastAlerts_) {
            return;  // another part of the controller's state changed
        }
        lastAlerts_ = group;
        for (const Interrupt& interrupt : group) {
            logger_.info("alert on screen: {} ({})", interrupt.title, interrupt.source);
        }
    }));
    subscriptions_.push_back(agent_.meetingDisruptController().observePresentedMeetings(
        [this](const std::vector<Meeting>& meetings) {
            for (const Meeting& meeting : meetings) {
                logger_.info("meeting takeover: {} at {}", meeting.title, JsonDate::encode(meeting.startsAt));
            }
        }));
}

void ConsoleReporter::syncStatusChanged(const SyncStatus& status) {
    if (lastShown_ && sameForAPerson(*lastShown_, status)) {
        return;
    }
    lastShown_ = status;
    logger_.info("sync: {} sent this session, {} in all, {} waiting{}", status.sessionSentCount,
                 status.lifetimeSentCount, status.queueLagRowCount,
                 status.lastError ? ", last error: " + status.lastError->english() : std::string());
}

}  // namespace kindora
