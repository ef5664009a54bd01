#include "app/viewmodels/StatusViewModel.hpp"

#include <QCoreApplication>

#include "app/texts/StatusTexts.hpp"
#include "app/texts/TranslatedText.hpp"

namespace kindora {

StatusViewModel::StatusViewModel(StatusSource& source, std::function<Date()> now, MainQueue& queue,
                                 QObject* parent)
    : QObject(parent),
      source_(source),
      now_(std::move(now)),
      clock_(queue, [this] { emit changed(); }),
      subscriptions_(source_.observe([this] { emit changed(); })) {}

StatusViewModel::Screen StatusViewModel::screen() const {
    switch (source_.phase().kind()) {
        case Phase::Kind::pairing:
            return Screen::Pairing;
        case Phase::Kind::running:
            return Screen::Running;
        case Phase::Kind::signedOut:
            return Screen::SignedOut;
        case Phase::Kind::fdaMissing:
            return Screen::AccessMissing;
    }
    return Screen::SignedOut;
}

QString StatusViewModel::healthLabel() const {
    return StatusTexts::healthLabel(source_.phase().health());
}

bool StatusViewModel::healthy() const {
    return source_.phase().health().isHealthy();
}

QString StatusViewModel::degradedReason() const {
    return translated(source_.phase().health().reason());
}

bool StatusViewModel::canUnlockKeyring() const {
    return source_.credentialAccess() == CredentialAccess::locked;
}

QString StatusViewModel::pairingError() const {
    const auto error = source_.pairingError();
    return error ? translated(*error) : QString();
}

QString StatusViewModel::lastSync() const {
    return StatusTexts::statTime(source_.syncStatus().lastSyncAt, now_());
}

QString StatusViewModel::sessionCount() const {
    return QString::number(source_.syncStatus().sessionSentCount);
}

QString StatusViewModel::lifetimeCount() const {
    return QString::number(source_.syncStatus().lifetimeSentCount);
}

QString StatusViewModel::heartbeat() const {
    return StatusTexts::statTime(source_.heartbeatStatus().lastHeartbeatAt, now_());
}

QString StatusViewModel::retryCaption() const {
    // While the keyring holds the token back, "Sync now" could do nothing: the unlock is the action.
    if (source_.credentialAccess() != CredentialAccess::ready) {
        return {};
    }
    return StatusTexts::retryCaption(source_.syncStatus()).value_or(QString());
}

QString StatusViewModel::version() const {
    const auto version = source_.agentVersion();
    return version ? QString::fromStdString(*version) : QString();
}

void StatusViewModel::setShown(bool shown) {
    if (shown && !clock_.isRunning()) {
        emit changed();  // the times have moved on while nobody looked
    }
    clock_.setRunning(shown);
}

void StatusViewModel::quit() {
    QCoreApplication::quit();
}

}  // namespace kindora
