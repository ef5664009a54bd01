import Kindora
import Kindora.Brand

// The prominent button that starts pairing, for any screen that offers it; disabled while a request
// for a code is under way.
BrandPrimaryButton {
    id: button
    required property StatusViewModel status
    text: qsTr("Pair with Kindora")
    enabled: !button.status.pairingInProgress
    onClicked: button.status.startPairing()
}
