import QtQuick
import "."
import QtQuick.Controls.Basic

// The filled accent button: darker while pressed, dimmed and inert while disabled.
Button {
    id: control
    horizontalPadding: 16
    verticalPadding: 8
    font.pixelSize: BrandPalette.bodySize
    font.weight: Font.Medium
    focusPolicy: Qt.StrongFocus
    opacity: !enabled ? BrandPalette.disabledOpacity : (down ? 0.92 : 1)
    Accessible.name: text
    Accessible.onPressAction: if (enabled) clicked()

    contentItem: Text {
        text: control.text
        font: control.font
        color: "white"
        horizontalAlignment: Text.AlignHCenter
        verticalAlignment: Text.AlignVCenter
        elide: Text.ElideRight
    }
    background: Rectangle {
        radius: 10
        color: control.down ? BrandPalette.accentPressed : BrandPalette.accent
        border.width: control.visualFocus ? 2 : 0
        border.color: "white"
    }
}
