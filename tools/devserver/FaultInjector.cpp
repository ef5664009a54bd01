#include "tools/devserver/FaultInjector.hpp"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace kindora::devserver {

const char* toString(FaultKind kind) {
    switch (kind) {
        case FaultKind::status:
            return "status";
        case FaultKind::delay:
            return "delay";
        case FaultKind::malformed:
            return "malformed";
        case FaultKind::drop:
            return "drop";
        case FaultKind::unanswered:
            return "unanswered";
    }
    return "status";
}

std::optional<FaultKind> faultKindFromString(std::string_view text) {
    for (FaultKind kind :
         {FaultKind::status, FaultKind::delay, FaultKind::malformed, FaultKind::drop, FaultKind::unanswered}) {
        if (text == toString(kind)) {
            return kind;
        }
    }
    return std::nullopt;
}

void FaultInjector::add(FaultRule rule) {
    if (rule.remaining < 1) {
        throw std::invalid_argument("count must be at least 1");
    }
    if (rule.endpoint.empty()) {
        throw std::invalid_argument("endpoint must not be empty");
    }
    if (rule.fault.kind == FaultKind::delay &&
        (!std::isfinite(rule.fault.delaySeconds) || rule.fault.delaySeconds < 0)) {
        throw std::invalid_argument("delaySeconds must be a non-negative number");
    }
    if (rule.fault.kind == FaultKind::status && (rule.fault.status < 100 || rule.fault.status > 599)) {
        throw std::invalid_argument("status must be between 100 and 599");
    }
    std::lock_guard lock(mutex_);
    rules_.push_back(std::move(rule));
}

std::optional<Fault> FaultInjector::take(std::string_view endpoint) {
    std::lock_guard lock(mutex_);
    const auto match = std::find_if(rules_.begin(), rules_.end(), [&](const FaultRule& rule) {
        return rule.endpoint == endpoint || rule.endpoint == "*";
    });
    if (match == rules_.end()) {
        return std::nullopt;
    }
    Fault fault = match->fault;
    if (--match->remaining == 0) {
        rules_.erase(match);
    }
    return fault;
}

std::vector<FaultRule> FaultInjector::pending() const {
    std::lock_guard lock(mutex_);
    return rules_;
}

void FaultInjector::clear() {
    std::lock_guard lock(mutex_);
    rules_.clear();
}

}  // namespace kindora::devserver
