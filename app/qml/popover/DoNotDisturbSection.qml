import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import "../brand"

ColumnLayout {
    spacing: 6
    Component.onCompleted: dndModel.visible = true
    Component.onDestruction: dndModel.visible = false

    RowLayout {
        Layout.fillWidth: true
        BrandText {
            text: "Do Not Disturb"
            color: "white"
            font.pixelSize: BrandPalette.bodySize
            font.weight: Font.DemiBold
            Layout.fillWidth: true
        }
        BrandText {
            text: dndModel.remaining
            visible: dndModel.active
            color: BrandPalette.textPrimary
            font.pixelSize: BrandPalette.calloutSize
        }
        BrandSecondaryButton {
            text: "Turn off"
            visible: dndModel.active
            onClicked: dndModel.disable()
        }
        BrandSecondaryButton {
            id: turnOn
            text: "Turn on"
            visible: !dndModel.active
            Accessible.role: Accessible.ButtonMenu
            onClicked: presets.open()
            Menu {
                id: presets
                y: turnOn.height
                Repeater {
                    model: dndModel.presetLabels
                    MenuItem {
                        required property string modelData
                        required property int index
                        text: modelData
                        onTriggered: dndModel.enable(index)
                        Accessible.name: text
                        Accessible.onPressAction: {
                            triggered()
                            presets.close()
                        }
                    }
                }
            }
        }
    }
    BrandText {
        text: dndModel.alertsWaiting
        visible: text.length > 0
        color: BrandPalette.accent
        font.pixelSize: BrandPalette.calloutSize
    }
    BrandCaption {
        text: texts.doNotDisturbCaption
        Layout.fillWidth: true
    }
}
