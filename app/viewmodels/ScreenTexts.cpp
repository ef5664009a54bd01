#include "app/viewmodels/ScreenTexts.hpp"

namespace kindora {

ScreenTexts::ScreenTexts(const PlatformTexts& texts, QObject* parent)
    : QObject(parent),
      signedOutPrompt(texts.signedOutPrompt),
      doNotDisturbCaption(texts.doNotDisturbCaption),
      accessMissingTitle(texts.accessMissingTitle),
      accessMissingHint(texts.accessMissingHint),
      openAccessSettingsButton(texts.openAccessSettingsButton),
      welcomeIntro(texts.welcomeIntro),
      welcomePrivacy(texts.welcomePrivacy),
      welcomeSteps(texts.welcomeSteps),
      accessStepTitle(texts.accessStepTitle),
      accessStepExplanation(texts.accessStepExplanation),
      accessStepPrivacy(texts.accessStepPrivacy),
      accessStepRelaunch(texts.accessStepRelaunch),
      accessStepOpenSettingsButton(texts.accessStepOpenSettingsButton),
      accessDetected(texts.accessDetected),
      pairingAlreadyPaired(texts.pairingAlreadyPaired),
      pairThisDeviceButton(texts.pairThisDeviceButton),
      doneIntro(texts.doneIntro),
      doneWhereToFind(texts.doneWhereToFind) {}

}  // namespace kindora
