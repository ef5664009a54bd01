import QtQuick
import "."
import QtQuick.Controls.Basic

// The outlined surface button.
Button {
    id: control
    horizontalPadding: 12
    verticalPadding: 6
    font.pixelSize: BrandPalette.calloutSize
    font.weight: Font.Medium
    focusPolicy: Qt.StrongFocus
    opacity: !enabled ? BrandPalette.disabledOpacity : (down ? 0.7 : 1)
    Accessible.name: text
    Accessible.onPressAction: if (enabled) clicked()

    contentItem: Text {
        text: control.text
        font: control.font
        color: BrandPalette.textPrimary
        horizontalAlignment: Text.AlignHCenter
        verticalAlignment: Text.AlignVCenter
        elide: Text.ElideRight
    }
    background: Rectangle {
        radius: 10
        color: BrandPalette.surface
        border.width: control.visualFocus ? 2 : 1
        border.color: control.visualFocus ? BrandPalette.accent : BrandPalette.border
    }
}
