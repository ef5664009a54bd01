import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import "../brand"

// The alert panel: the presented household alert (or group of alerts) and what can be done about it.
// Everything comes from `alertPanel`. Return and Space press the focused button; with no button
// focused Return resolves where Resolve is offered; Escape dismisses. Everything from the household
// is plain text. Dragging the background moves the panel.
Rectangle {
    id: root
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
    readonly property bool busy: alertPanel.inFlight
    Keys.onReturnPressed: if (alertPanel.resolveShown && !busy) alertPanel.resolve()
    Keys.onEnterPressed: if (alertPanel.resolveShown && !busy) alertPanel.resolve()
    Keys.onEscapePressed: if (!busy) alertPanel.dismiss()

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
        visible: alertPanel.shown
        anchors.fill: parent
        anchors.margins: 14
        spacing: 10

        RowLayout {
            spacing: 8
            Rectangle {
                radius: 5
                color: alertPanel.critical ? "#E5484D" : "#F08C00"
                implicitWidth: badge.implicitWidth + 16
                implicitHeight: badge.implicitHeight + 6
                Text {
                    textFormat: Text.PlainText
                    id: badge
                    anchors.centerIn: parent
                    text: alertPanel.badge
                    color: "white"
                    font.pixelSize: BrandPalette.captionSize
                    font.bold: true
                    Accessible.role: Accessible.StaticText
                    Accessible.name: text
                }
            }
            BrandCaption {
                visible: text !== ""
                text: alertPanel.moreAlertsLabel
            }
            Item { Layout.fillWidth: true }
        }

        // A single alert.
        ColumnLayout {
            visible: !alertPanel.isGroup
            spacing: 4
            Layout.fillWidth: true
            BrandText {
                text: alertPanel.title
                color: "white"
                font.pixelSize: 20
                font.bold: true
                maximumLineCount: 2
                elide: Text.ElideRight
                Layout.fillWidth: true
            }
            BrandText {
                visible: text !== ""
                text: alertPanel.body
                maximumLineCount: 3
                elide: Text.ElideRight
                Layout.fillWidth: true
            }
            BrandCaption {
                text: alertPanel.caption
                Layout.fillWidth: true
            }
        }

        // A group of alerts shown together.
        ColumnLayout {
            visible: alertPanel.isGroup
            spacing: 4
            Layout.fillWidth: true
            BrandText {
                text: alertPanel.groupHeading
                color: "white"
                font.pixelSize: 20
                font.bold: true
                Layout.fillWidth: true
            }
            Repeater {
                model: alertPanel.groupRows
                ColumnLayout {
                    spacing: 0
                    Layout.fillWidth: true
                    BrandText {
                        text: modelData.title
                        color: "white"
                        font.weight: Font.DemiBold
                        elide: Text.ElideRight
                        maximumLineCount: 1
                        Layout.fillWidth: true
                    }
                    BrandCaption {
                        text: modelData.source
                        Layout.fillWidth: true
                    }
                }
            }
            BrandCaption {
                visible: text !== ""
                text: alertPanel.moreCopies
            }
        }

        BrandCaption {
            visible: text !== ""
            text: alertPanel.resolutionHint
            Layout.fillWidth: true
        }
        Text {
            textFormat: Text.PlainText
            visible: text !== ""
            text: alertPanel.actionError
            color: "#E5484D"
            font.pixelSize: BrandPalette.captionSize
            wrapMode: Text.Wrap
            Layout.fillWidth: true
            Accessible.role: Accessible.StaticText
            Accessible.name: text
        }

        Item { Layout.fillHeight: true }

        RowLayout {
            spacing: 8
            BrandSecondaryButton {
                visible: alertPanel.acknowledgeShown
                text: "Acknowledge"
                enabled: !root.busy
                armed: root.inputArmed
                horizontalPadding: 14
                verticalPadding: 6
                onClicked: alertPanel.acknowledge()
            }
            BrandPrimaryButton {
                visible: alertPanel.resolveShown
                text: "Resolve"
                enabled: !root.busy
                armed: root.inputArmed
                horizontalPadding: 14
                verticalPadding: 6
                font.pixelSize: BrandPalette.calloutSize
                font.weight: Font.DemiBold
                onClicked: alertPanel.resolve()
            }
            BrandSecondaryButton {
                text: "Dismiss"
                enabled: !root.busy
                armed: root.inputArmed
                horizontalPadding: 14
                verticalPadding: 6
                onClicked: alertPanel.dismiss()
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
