#pragma once

#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

#include "app/texts/PlatformTexts.hpp"

namespace kindora {

// The sentences of the popover and the wizard that name what only one operating system has, as the
// views read them.
class ScreenTexts final : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Made by the desktop front end")
    Q_PROPERTY(QString signedOutPrompt MEMBER signedOutPrompt CONSTANT)
    Q_PROPERTY(QString doNotDisturbCaption MEMBER doNotDisturbCaption CONSTANT)
    Q_PROPERTY(QString accessMissingTitle MEMBER accessMissingTitle CONSTANT)
    Q_PROPERTY(QString accessMissingHint MEMBER accessMissingHint CONSTANT)
    Q_PROPERTY(QString openAccessSettingsButton MEMBER openAccessSettingsButton CONSTANT)
    Q_PROPERTY(QString welcomeIntro MEMBER welcomeIntro CONSTANT)
    Q_PROPERTY(QString welcomePrivacy MEMBER welcomePrivacy CONSTANT)
    Q_PROPERTY(QString welcomeSteps MEMBER welcomeSteps CONSTANT)
    Q_PROPERTY(QString accessStepTitle MEMBER accessStepTitle CONSTANT)
    Q_PROPERTY(QString accessStepExplanation MEMBER accessStepExplanation CONSTANT)
    Q_PROPERTY(QString accessStepPrivacy MEMBER accessStepPrivacy CONSTANT)
    Q_PROPERTY(QString accessStepRelaunch MEMBER accessStepRelaunch CONSTANT)
    Q_PROPERTY(QString accessStepOpenSettingsButton MEMBER accessStepOpenSettingsButton CONSTANT)
    Q_PROPERTY(QString accessDetected MEMBER accessDetected CONSTANT)
    Q_PROPERTY(QString pairingAlreadyPaired MEMBER pairingAlreadyPaired CONSTANT)
    Q_PROPERTY(QString pairThisDeviceButton MEMBER pairThisDeviceButton CONSTANT)
    Q_PROPERTY(QString doneIntro MEMBER doneIntro CONSTANT)
    Q_PROPERTY(QString doneWhereToFind MEMBER doneWhereToFind CONSTANT)

public:
    explicit ScreenTexts(const PlatformTexts& texts, QObject* parent = nullptr);

private:
    QString signedOutPrompt;
    QString doNotDisturbCaption;
    QString accessMissingTitle;
    QString accessMissingHint;
    QString openAccessSettingsButton;
    QString welcomeIntro;
    QString welcomePrivacy;
    QString welcomeSteps;
    QString accessStepTitle;
    QString accessStepExplanation;
    QString accessStepPrivacy;
    QString accessStepRelaunch;
    QString accessStepOpenSettingsButton;
    QString accessDetected;
    QString pairingAlreadyPaired;
    QString pairThisDeviceButton;
    QString doneIntro;
    QString doneWhereToFind;
};

}  // namespace kindora
