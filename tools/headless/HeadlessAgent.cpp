#include "tools/headless/HeadlessAgent.hpp"

#include <utility>

namespace kindora {

HeadlessAgent::HeadlessAgent(Options options, CredentialStoreProtocol& credentialStore, Defaults& defaults,
                             MainQueue& mainQueue)
    : changeWatcher_(options.databasePath),
      agent_(PlatformServices{
          .mainQueue = mainQueue,
          .credentialStore = credentialStore,
          .defaults = defaults,
          .loginItemService = nullptr,
          .transport = transport_,
          .changeWatcher = changeWatcher_,
          .wakeSource = wakeSource_,
          .backendBaseURL = std::move(options.baseURL),
          .databasePath = options.databasePath,
          .dataDirectory = std::move(options.dataDirectory),
          .hostName = std::move(options.deviceName),
          .agentVersion = std::move(options.agentVersion),
          .openURL = std::move(options.opener),
          .isLikelyInMeeting = {},
          .programName = "kindora-headless",
          .credentialAccess = options.credentialAccess,
      }),
      console_(agent_) {
    // Without a window to press "Pair" in, a signed-out agent asks for a code by itself.
    autoPairing_ = agent_.observePhaseRefreshed([this](const SetupFacts&) {
        if (agent_.appState().phase().kind() == Phase::Kind::signedOut &&
            !agent_.pairingController().isInProgress()) {
            agent_.pairingController().startPairing();
        }
    });
}

HeadlessAgent::~HeadlessAgent() {
    shutDown();
}

void HeadlessAgent::launch() {
    agent_.finishLaunching();
}

void HeadlessAgent::shutDown() {
    agent_.shutDown();
}

}  // namespace kindora
