import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Kindora
import Kindora.Brand

ColumnLayout {
    id: section
    required property DoNotDisturbViewModel doNotDisturb
    required property ScreenTexts texts
    spacing: 6
    // Its clock ticks while it is on screen, and only then.
    Binding {
        target: section.doNotDisturb
        property: "shown"
        value: section.visible && section.Window.visibility !== Window.Hidden
    }
    Component.onDestruction: section.doNotDisturb.shown = false

    RowLayout {
        Layout.fillWidth: true
        BrandText {
            text: qsTr("Do Not Disturb")
            color: "white"
            font.pixelSize: BrandTextStyle.body
            font.weight: Font.DemiBold
            Layout.fillWidth: true
        }
        BrandText {
            text: section.doNotDisturb.remaining
            visible: section.doNotDisturb.active
            color: BrandPalette.textPrimary
            font.pixelSize: BrandTextStyle.callout
        }
        BrandSecondaryButton {
            text: qsTr("Turn off")
            visible: section.doNotDisturb.active
            onClicked: section.doNotDisturb.disable()
        }
        BrandSecondaryButton {
            id: turnOn
            text: qsTr("Turn on")
            visible: !section.doNotDisturb.active
            Accessible.role: Accessible.ButtonMenu
            onClicked: presets.open()
            Menu {
                id: presets
                y: turnOn.height
                // Qt 6.4's qmllint does not follow ids into a component (a delegate, a loaded view), though QML does.
                // qmllint disable unqualified
                Repeater {
                    model: section.doNotDisturb.presetLabels
                    MenuItem {
                        id: preset
                        required property string modelData
                        required property int index
                        text: preset.modelData
                        onTriggered: section.doNotDisturb.enable(preset.index)
                        Accessible.name: preset.text
                        Accessible.onPressAction: {
                            preset.triggered()
                            presets.close()
                        }
                    }
                }
                // qmllint enable unqualified
            }
        }
    }
    BrandText {
        text: section.doNotDisturb.alertsWaiting
        visible: text.length > 0
        color: BrandPalette.accent
        font.pixelSize: BrandTextStyle.callout
    }
    BrandCaption {
        text: section.texts.doNotDisturbCaption
        Layout.fillWidth: true
    }
}
