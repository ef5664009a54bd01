import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Kindora
import Kindora.Brand

// The alert panel: the presented household alert (or group of alerts) and what can be done about it.
// Everything comes from `alertPanel`. Return and Space press the focused button; with no button
// focused Return resolves where Resolve is offered; Escape dismisses. Everything from the household
// is plain text. Dragging the background moves the panel.
Rectangle {
    id: root
    required property InterruptPanelContent alertPanel
    width: 380
    height: 260
    color: BrandPalette.surface
    border.width: 1
    border.color: BrandPalette.border
    focus: true

    // Set by the window: false for a moment after the panel appears, while it holds input back.
    property bool inputArmed: true
    // The panel is 260 high, and taller when its content needs it (a group that must be resolved, with a
    // refusal under it): nothing is ever cut off or drawn over the buttons.
    readonly property int neededHeight: Math.max(260, Math.ceil(content.implicitHeight + 2 * content.anchors.margins))
    onNeededHeightChanged: if (Window.window) Window.window.height = neededHeight
    Component.onCompleted: if (Window.window) Window.window.height = neededHeight
    readonly property bool busy: root.alertPanel.inFlight
    Keys.onReturnPressed: if (root.alertPanel.resolveShown && !busy) root.alertPanel.resolve()
    Keys.onEnterPressed: if (root.alertPanel.resolveShown && !busy) root.alertPanel.resolve()
    Keys.onEscapePressed: if (!busy) root.alertPanel.dismiss()

    MouseArea {
        anchors.fill: parent
        property point grabbed
        onPressed: (mouse) => grabbed = Qt.point(mouse.x, mouse.y)
        onPositionChanged: (mouse) => {
            const window = root.Window.window
            window.x += mouse.x - grabbed.x
            window.y += mouse.y - grabbed.y
        }
    }

    ColumnLayout {
        id: content
        visible: root.alertPanel.shown
        anchors.fill: parent
        anchors.margins: 14
        spacing: 10

        RowLayout {
            spacing: 8
            Rectangle {
                radius: 5
                color: root.alertPanel.critical ? "#E5484D" : "#F08C00"
                implicitWidth: badge.implicitWidth + 16
                implicitHeight: badge.implicitHeight + 6
                Text {
                    id: badge
                    textFormat: Text.PlainText
                    anchors.centerIn: parent
                    text: root.alertPanel.badge
                    color: "white"
                    font.pixelSize: BrandTextStyle.caption
                    font.bold: true
                    Accessible.role: Accessible.StaticText
                    Accessible.name: text
                }
            }
            BrandCaption {
                visible: text !== ""
                text: root.alertPanel.moreAlertsLabel
            }
            Item { Layout.fillWidth: true }
        }

        // A single alert.
        ColumnLayout {
            visible: !root.alertPanel.isGroup
            spacing: 4
            Layout.fillWidth: true
            BrandText {
                text: root.alertPanel.title
                color: "white"
                font.pixelSize: BrandTextStyle.title
                font.bold: true
                maximumLineCount: 2
                elide: Text.ElideRight
                Layout.fillWidth: true
            }
            BrandText {
                visible: text !== ""
                text: root.alertPanel.body
                maximumLineCount: 3
                elide: Text.ElideRight
                Layout.fillWidth: true
            }
            BrandCaption {
                text: root.alertPanel.caption
                Layout.fillWidth: true
            }
        }

        // A group of alerts shown together.
        ColumnLayout {
            visible: root.alertPanel.isGroup
            spacing: 4
            Layout.fillWidth: true
            BrandText {
                text: root.alertPanel.groupHeading
                color: "white"
                font.pixelSize: BrandTextStyle.title
                font.bold: true
                Layout.fillWidth: true
            }
            Repeater {
                model: root.alertPanel.groupRows
                ColumnLayout {
                    id: member
                    required property var modelData
                    spacing: 0
                    Layout.fillWidth: true
                    BrandText {
                        text: member.modelData.title
                        color: "white"
                        font.weight: Font.DemiBold
                        elide: Text.ElideRight
                        maximumLineCount: 1
                        Layout.fillWidth: true
                    }
                    BrandCaption {
                        text: member.modelData.source
                        Layout.fillWidth: true
                    }
                }
            }
            BrandCaption {
                visible: text !== ""
                text: root.alertPanel.moreCopies
            }
        }

        BrandCaption {
            visible: text !== ""
            text: root.alertPanel.resolutionHint
            Layout.fillWidth: true
        }
        Text {
            textFormat: Text.PlainText
            visible: text !== ""
            text: root.alertPanel.actionError
            color: "#E5484D"
            font.pixelSize: BrandTextStyle.caption
            wrapMode: Text.Wrap
            Layout.fillWidth: true
            Accessible.role: Accessible.StaticText
            Accessible.name: text
        }

        Item { Layout.fillHeight: true }

        RowLayout {
            spacing: 8
            BrandSecondaryButton {
                visible: root.alertPanel.acknowledgeShown
                text: qsTr("Acknowledge")
                enabled: !root.busy
                armed: root.inputArmed
                horizontalPadding: 14
                verticalPadding: 6
                onClicked: root.alertPanel.acknowledge()
            }
            BrandPrimaryButton {
                visible: root.alertPanel.resolveShown
                text: qsTr("Resolve")
                enabled: !root.busy
                armed: root.inputArmed
                horizontalPadding: 14
                verticalPadding: 6
                font.pixelSize: BrandTextStyle.callout
                font.weight: Font.DemiBold
                onClicked: root.alertPanel.resolve()
            }
            BrandSecondaryButton {
                text: qsTr("Dismiss")
                enabled: !root.busy
                armed: root.inputArmed
                horizontalPadding: 14
                verticalPadding: 6
                onClicked: root.alertPanel.dismiss()
            }
            BusyIndicator {
                visible: root.busy
                running: root.busy
                implicitWidth: 18
                implicitHeight: 18
            }
        }
    }
}
