#include "app/viewmodels/ScreenTexts.hpp"

namespace kindora {

namespace {

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

}  // namespace

ScreenTexts::ScreenTexts(const PlatformTexts& texts, QObject* parent)
    : QObject(parent),
      signedOutPrompt(qs(texts.signedOutPrompt)),
      doNotDisturbCaption(qs(texts.doNotDisturbCaption)),
      accessMissingTitle(qs(texts.accessMissingTitle)),
      accessMissingHint(qs(texts.accessMissingHint)),
      openAccessSettingsButton(qs(texts.openAccessSettingsButton)),
      welcomeIntro(qs(texts.welcomeIntro)),
      welcomePrivacy(qs(texts.welcomePrivacy)),
      welcomeSteps(qs(texts.welcomeSteps)),
      accessStepTitle(qs(texts.accessStepTitle)),
      accessStepExplanation(qs(texts.accessStepExplanation)),
      accessStepPrivacy(qs(texts.accessStepPrivacy)),
      accessStepRelaunch(qs(texts.accessStepRelaunch)),
      accessStepOpenSettingsButton(qs(texts.accessStepOpenSettingsButton)),
      accessDetected(qs(texts.accessDetected)),
      pairingAlreadyPaired(qs(texts.pairingAlreadyPaired)),
      pairThisDeviceButton(qs(texts.pairThisDeviceButton)),
      doneIntro(qs(texts.doneIntro)),
      doneWhereToFind(qs(texts.doneWhereToFind)) {}

}  // namespace kindora
