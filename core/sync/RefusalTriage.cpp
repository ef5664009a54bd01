#include "core/sync/RefusalTriage.hpp"

#include "core/backend/UserMessage.hpp"
#include "core/sync/SyncStatus.hpp"

namespace kindora {
namespace {

constexpr Phrase tooLarge = KINDORA_PHRASE("SyncStatus", "too large for the backend");
constexpr Phrase noBody = KINDORA_PHRASE("SyncStatus", "no body");
constexpr Phrase passedDuplicates = KINDORA_PLURAL_PHRASE(
    "SyncStatus",
    "Passed %n message(s) the backend already holds after %1 repeated duplicate-guid rejections");
constexpr Phrase droppedRefused =
    KINDORA_PLURAL_PHRASE("SyncStatus", "Dropped %n message(s) the backend refused: %1");

RefusalVerdict retry(const BackendError& error) {
    return {RefusalVerdict::Action::retry, userMessage(error), 0};
}

}  // namespace

std::optional<RefusalVerdict> RefusalTriage::judge(std::span<const MessageRow> part,
                                                   const BackendError& error) {
    if (error.kind() == BackendError::Kind::duplicate) {
        return judgeDuplicate(part, error);
    }
    if (error.kind() != BackendError::Kind::http) {
        return std::nullopt;
    }
    if (error.status() == 413) {
        if (part.size() > 1) {
            return refuse(part, 413, tooLarge);
        }
        // One message of at most 10000 characters is not too large for the backend; a proxy in the way
        // may think so for a while.
        return judgeUnexplained(part, error);
    }
    if (error.status() == 400) {
        if (const auto reason = error.bodyMessage()) {
            return refuse(part, 400, UserText::verbatim(*reason));
        }
        return judgeUnexplained(part, error);
    }
    return std::nullopt;
}

RefusalVerdict RefusalTriage::refuse(std::span<const MessageRow> part, int status, const UserText& reason) {
    if (part.size() > 1) {
        // One bad message must not take the others with it.
        logger_.error("ingest {} for a batch of {} rows, sending it in smaller parts: {}", status,
                      part.size(), reason.english());
        return {RefusalVerdict::Action::split, {}, 0};
    }
    // The backend will never take this message; retrying it would stall every later one.
    logger_.error("ingest {}, dropping poison batch of {} rows: {}", status, part.size(), reason.english());
    taken(part);
    droppedRefused_ += static_cast<std::int64_t>(part.size());
    passedOverThisTick_ = true;
    lastRefusalReason_ = reason;
    return {RefusalVerdict::Action::passOver, {}, 0};
}

RefusalVerdict RefusalTriage::judgeDuplicate(std::span<const MessageRow> part, const BackendError& error) {
    // The backend already holds some message of the part, most likely from an earlier send whose answer
    // never arrived. Halving the part finds those rows without giving up the others.
    const std::string reason = error.message().value_or("");
    for (const auto& row : part) {
        ++refusals_[row.guid].duplicate;
    }
    if (part.size() > 1) {
        logger_.error("ingest 400 (duplicate guid) for a batch of {} rows, sending it in smaller parts: {}",
                      part.size(), reason);
        return {RefusalVerdict::Action::split, {}, 0};
    }
    const std::int64_t attempts = refusals_[part.front().guid].duplicate;
    if (attempts < duplicateAttemptsBeforePass) {
        logger_.error("ingest 400 (possible duplicate guid), not advancing (attempt {}/{}): {}", attempts,
                      duplicateAttemptsBeforePass, reason);
        return retry(error);
    }
    // Refused alone because the backend holds it: it arrived with a send whose answer was lost. Passed
    // as forwarded, and said in the status, since only the backend's word stands for it.
    logger_.error("ingest 400 (duplicate guid) persisted {} attempts, passing rowID={} as already held: {}",
                  duplicateAttemptsBeforePass, part.front().rowID, reason);
    taken(part);
    passedDuplicates_ += 1;
    passedOverThisTick_ = true;
    return {RefusalVerdict::Action::passOver, {}, 1};
}

RefusalVerdict RefusalTriage::judgeUnexplained(std::span<const MessageRow> part, const BackendError& error) {
    const std::int64_t attempts = ++refusals_[part.front().guid].unexplained;
    if (attempts >= unexplainedRejectionsBeforeDrop) {
        return refuse(part, error.status(), error.status() == 400 ? UserText(noBody) : UserText(tooLarge));
    }
    logger_.error("ingest {} without the backend's error body, not advancing (attempt {}/{})", error.status(),
                  attempts, unexplainedRejectionsBeforeDrop);
    return retry(error);
}

void RefusalTriage::taken(std::span<const MessageRow> part) {
    if (refusals_.empty()) {
        return;
    }
    if (refusals_.size() > memoryLimit) {
        refusals_.clear();
        return;
    }
    for (const auto& row : part) {
        refusals_.erase(row.guid);
    }
}

void RefusalTriage::beginTick() {
    passedOverThisTick_ = false;
}

void RefusalTriage::batchWentThroughCleanly() {
    if (!passedOverThisTick_) {
        passedDuplicates_ = droppedRefused_ = 0;
    }
}

std::optional<UserText> RefusalTriage::notice() const {
    std::optional<UserText> notice;
    if (passedDuplicates_ > 0) {
        notice = UserText::counted(passedDuplicates, passedDuplicates_,
                                   {UserText::verbatim(std::to_string(duplicateAttemptsBeforePass))});
    }
    if (droppedRefused_ > 0) {
        const UserText refused = UserText::counted(droppedRefused, droppedRefused_,
                                                   {lastRefusalReason_.value_or(UserText::verbatim({}))});
        notice = notice ? UserText(SyncStatusTexts::joined, {*notice, refused}) : refused;
    }
    return notice;
}

}  // namespace kindora
