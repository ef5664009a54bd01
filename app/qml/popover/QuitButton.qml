import Kindora
import Kindora.Brand

BrandSecondaryButton {
    id: button
    required property StatusViewModel status
    text: qsTr("Quit")
    onClicked: button.status.quit()
}
