import QtQuick
import "../brand"

// The prominent button that starts pairing, for any screen that offers it.
BrandPrimaryButton {
    text: "Pair with Kindora"
    enabled: !statusModel.pairingInProgress
    onClicked: statusModel.startPairing()
}
