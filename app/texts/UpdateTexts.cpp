#include "app/texts/UpdateTexts.hpp"

#include <QCoreApplication>

#include "app/texts/TranslatedText.hpp"

namespace kindora::UpdateTexts {

QString pendingUpdate(const std::optional<PendingUpdate>& pending) {
    if (!pending) {
        return {};
    }
    const QString version = QString::fromStdString(pending->version);
    return pending->isDownloaded
               ? QCoreApplication::translate("UpdateTexts", "%1 is ready to install.").arg(version)
               : QCoreApplication::translate("UpdateTexts", "Update %1 is available.").arg(version);
}

QString actionTitle(const std::optional<PendingUpdate>& pending) {
    if (!pending) {
        return QCoreApplication::translate("UpdateTexts", "Check for Updates…");
    }
    return pending->isDownloaded ? QCoreApplication::translate("UpdateTexts", "Install Update…")
                                 : QCoreApplication::translate("UpdateTexts", "View Update");
}

QString caption(const std::optional<PendingUpdate>& pending, bool isInstalling,
                const std::optional<UserText>& lastError) {
    if (isInstalling) {
        return pending ? QCoreApplication::translate("UpdateTexts", "Installing %1…")
                             .arg(QString::fromStdString(pending->version))
                       : QCoreApplication::translate("UpdateTexts", "Installing the update…");
    }
    return lastError ? translated(*lastError) : QString();
}

}  // namespace kindora::UpdateTexts
