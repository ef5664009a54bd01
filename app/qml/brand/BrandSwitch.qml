import QtQuick
import QtQuick.Controls.Basic

// A switch tinted with the accent, its label on the left.
Switch {
    id: control
    font.pixelSize: BrandTextStyle.body
    // Flush with the card's edges, like the buttons and the picker: the style's own padding would
    // leave the track short of them.
    leftPadding: 0
    rightPadding: 0
    focusPolicy: Qt.StrongFocus
    opacity: enabled ? 1 : BrandPalette.disabledOpacity
    Accessible.name: text
    Accessible.onPressAction: flip()
    Accessible.onToggleAction: flip()

    // A screen reader's press or toggle does what a click does.
    function flip() {
        if (enabled) {
            toggle()
            toggled()
        }
    }

    indicator: Rectangle {
        implicitWidth: 34
        implicitHeight: 20
        x: control.width - width - control.rightPadding
        y: (control.height - height) / 2
        radius: 10
        color: control.checked ? BrandPalette.accent : BrandPalette.border
        border.width: control.visualFocus ? 2 : 0
        border.color: "white"
        Rectangle {
            x: control.checked ? parent.width - width - 2 : 2
            y: 2
            width: 16
            height: 16
            radius: 8
            color: "white"
        }
    }
    contentItem: Text {
        textFormat: Text.PlainText
        text: control.text
        font: control.font
        color: BrandPalette.textPrimary
        verticalAlignment: Text.AlignVCenter
        rightPadding: control.indicator.width + control.spacing
    }
}
