import QtQuick
import QtQuick.Controls.Basic

// The outlined surface button.
Button {
    id: control
    horizontalPadding: 12
    verticalPadding: 6
    font.pixelSize: BrandTextStyle.callout
    font.weight: Font.Medium
    focusPolicy: Qt.StrongFocus
    // False while the window holds input back (a panel that just appeared): the button says so by
    // fading, and comes up to full strength when it answers.
    property bool armed: true
    opacity: !enabled ? BrandPalette.disabledOpacity
                      : !armed ? BrandPalette.unarmedOpacity : (down ? BrandPalette.secondaryPressedOpacity : 1)
    // Return and Enter press the focused button, like Space: never the window's default action.
    Keys.onReturnPressed: if (enabled) clicked()
    Keys.onEnterPressed: if (enabled) clicked()
    Accessible.name: text
    Accessible.onPressAction: if (enabled) clicked()

    contentItem: Text {
        textFormat: Text.PlainText
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
