import QtQuick
import "../brand"

BrandSecondaryButton {
    text: "Quit"
    onClicked: statusModel.quit()
}
