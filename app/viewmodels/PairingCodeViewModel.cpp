#include "app/viewmodels/PairingCodeViewModel.hpp"

#include <QClipboard>
#include <QGuiApplication>
#include <QUrl>

#include "app/texts/StatusTexts.hpp"

namespace kindora {

PairingCodeViewModel::PairingCodeViewModel(StatusSource& source, std::function<Date()> now, MainQueue& queue,
                                           QObject* parent)
    : QObject(parent),
      source_(source),
      now_(std::move(now)),
      clock_(queue, [this] { emit changed(); }),
      subscriptions_(source_.observe([this] { emit changed(); })) {}

QString PairingCodeViewModel::code() const {
    return QString::fromStdString(source_.phase().code());
}

QString PairingCodeViewModel::instruction() const {
    const QUrl webApp(QString::fromStdString(source_.webAppURL()));
    return tr("Enter this code in your Kindora household's web app at %1 to finish pairing:")
        .arg(webApp.host().isEmpty() ? webApp.toString() : webApp.host());
}

QString PairingCodeViewModel::expiry() const {
    const Phase& phase = source_.phase();
    return phase.isPairing() ? StatusTexts::pairingCodeExpiry(phase.expiresAt(), now_()) : QString();
}

void PairingCodeViewModel::setShown(bool shown) {
    if (shown == clock_.isRunning()) {
        return;
    }
    clock_.setRunning(shown);
    if (shown) {
        emit changed();  // the time left has moved on while the view was away
    }
    emit shownChanged();
}

void PairingCodeViewModel::copy() {
    if (QClipboard* clipboard = QGuiApplication::clipboard()) {
        clipboard->clear();
        clipboard->setText(code());
    }
}

}  // namespace kindora
