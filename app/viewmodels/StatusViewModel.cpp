#include "app/viewmodels/StatusViewModel.hpp"

#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QUrl>

#include "app/texts/StatusTexts.hpp"
#include "app/texts/TranslatedText.hpp"

namespace kindora {

namespace {

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

Date now() {
    return std::chrono::system_clock::now();
}

}  // namespace

StatusViewModel::StatusViewModel(Agent& agent, DesktopActions& actions, QObject* parent)
    : QObject(parent), agent_(agent), actions_(actions) {
    const auto notify = [this](const auto&...) { emit changed(); };
    subscriptions_.push_back(agent_.appState().observePhase(notify));
    subscriptions_.push_back(agent_.syncStatusStore().observeStatus(notify));
    subscriptions_.push_back(agent_.heartbeatStatusStore().observe(notify));
    subscriptions_.push_back(agent_.pairingController().observeLastError(notify));
    subscriptions_.push_back(agent_.pairingController().observeInProgress(notify));
    subscriptions_.push_back(agent_.credentialAccess().observe(notify));
    clock_.setInterval(1000);
    connect(&clock_, &QTimer::timeout, this, [this] {
        emit clockTicked();
        emit changed();  // the "Last sync" time of day may cross midnight
    });
}

StatusViewModel::Screen StatusViewModel::screen() const {
    switch (agent_.appState().phase().kind()) {
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
    return StatusTexts::healthLabel(agent_.appState().phase().health());
}

bool StatusViewModel::canUnlockKeyring() const {
    return agent_.credentialAccess().value() == CredentialAccess::locked;
}

void StatusViewModel::unlockKeyring() {
    agent_.unlockKeyring();
}

bool StatusViewModel::healthy() const {
    return agent_.appState().phase().health().isHealthy();
}

QString StatusViewModel::degradedReason() const {
    return translated(agent_.appState().phase().health().reason());
}

QString StatusViewModel::pairingCode() const {
    return qs(agent_.appState().phase().code());
}

QString StatusViewModel::pairingInstruction() const {
    const QUrl webApp(qs(agent_.services().backendBaseURL));
    return tr("Enter this code in your Kindora household's web app at %1 to finish pairing:")
        .arg(webApp.host().isEmpty() ? webApp.toString() : webApp.host());
}

QString StatusViewModel::pairingExpiry() const {
    const Phase& phase = agent_.appState().phase();
    return phase.isPairing() ? StatusTexts::pairingCodeExpiry(phase.expiresAt(), now()) : QString();
}

QString StatusViewModel::pairingError() const {
    const auto& error = agent_.pairingController().lastError();
    return error ? translated(*error) : QString();
}

bool StatusViewModel::pairingInProgress() const {
    return agent_.pairingController().isInProgress();
}

QString StatusViewModel::lastSync() const {
    return StatusTexts::statTime(agent_.syncStatusStore().status().lastSyncAt, now());
}

QString StatusViewModel::sessionCount() const {
    return QString::number(agent_.syncStatusStore().status().sessionSentCount);
}

QString StatusViewModel::lifetimeCount() const {
    return QString::number(agent_.syncStatusStore().status().lifetimeSentCount);
}

QString StatusViewModel::heartbeat() const {
    return StatusTexts::statTime(agent_.heartbeatStatusStore().status().lastHeartbeatAt, now());
}

QString StatusViewModel::retryCaption() const {
    // While the keyring holds the token back, "Sync now" could do nothing: the unlock is the action.
    if (agent_.credentialAccess().value() != CredentialAccess::ready) {
        return {};
    }
    return StatusTexts::retryCaption(agent_.syncStatusStore().status()).value_or(QString());
}

QString StatusViewModel::version() const {
    const auto& version = agent_.services().agentVersion;
    return version ? qs(*version) : QString();
}

void StatusViewModel::setVisible(bool visible) {
    if (visible == visible_) {
        return;
    }
    visible_ = visible;
    // Timers run only while someone looks.
    if (visible_) {
        clock_.start();
        emit clockTicked();
        emit changed();
    } else {
        clock_.stop();
    }
    emit visibleChanged();
}

void StatusViewModel::startPairing() {
    agent_.pairingController().startPairing();
}

void StatusViewModel::cancelPairing() {
    agent_.pairingController().cancel();
}

void StatusViewModel::copyPairingCode() {
    if (QClipboard* clipboard = QGuiApplication::clipboard()) {
        clipboard->clear();
        clipboard->setText(pairingCode());
    }
}

void StatusViewModel::syncNow() {
    agent_.syncNow();
}

void StatusViewModel::openSetup() {
    agent_.openSetup();
}

void StatusViewModel::openKindora() {
    actions_.openURL(agent_.services().backendBaseURL);
}

void StatusViewModel::checkAgain() {
    agent_.becameActive();
}

void StatusViewModel::openFullDiskAccessSettings() {
    actions_.openFullDiskAccessSettings();
}

void StatusViewModel::relaunch() {
    actions_.relaunchApplication();
}

void StatusViewModel::quit() {
    QCoreApplication::quit();
}

}  // namespace kindora
