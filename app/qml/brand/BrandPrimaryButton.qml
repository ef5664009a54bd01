import QtQuick
import QtQuick.Controls.Basic

// The filled accent button: darker while pressed, dimmed and inert while disabled.
Button {
    id: control
    horizontalPadding: 16
    verticalPadding: 8
    font.pixelSize: BrandTextStyle.body
    font.weight: Font.Medium
    focusPolicy: Qt.StrongFocus
    // False while the window holds input back (a panel that just appeared): the button says so by
    // fading, and comes up to full strength when it answers.
    property bool armed: true
    opacity: !enabled ? BrandPalette.disabledOpacity
                      : !armed ? BrandPalette.unarmedOpacity : (down ? BrandPalette.primaryPressedOpacity : 1)
    // Return and Enter press the focused button, like Space: never the window's default action.
    Keys.onReturnPressed: if (enabled) clicked()
    Keys.onEnterPressed: if (enabled) clicked()
    Accessible.name: text
    Accessible.onPressAction: if (enabled) clicked()

    contentItem: Text {
        textFormat: Text.PlainText
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
