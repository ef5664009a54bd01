import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Shapes

// A pop-up list on an outlined surface, chevrons in the text colour. Like the secondary button it
// dims while pressed and more while disabled, so that an enabled picker never reads as a disabled one
// (the stock arrows are drawn in a dark grey meant for light backgrounds).
ComboBox {
    id: control
    implicitWidth: 130
    font.pixelSize: BrandTextStyle.body
    focusPolicy: Qt.StrongFocus
    opacity: !enabled ? BrandPalette.disabledOpacity : (down ? BrandPalette.secondaryPressedOpacity : 1)
    rightPadding: 10 + indicator.width + spacing

    contentItem: Text {
        textFormat: Text.PlainText
        leftPadding: 10
        text: control.displayText
        font: control.font
        color: BrandPalette.textPrimary
        verticalAlignment: Text.AlignVCenter
        elide: Text.ElideRight
    }

    readonly property real chevronArm: 4
    indicator: Shape {
        width: 2 * control.chevronArm + 2
        height: 14
        x: control.width - width - 10
        y: (control.height - height) / 2
        ShapePath {
            strokeColor: BrandPalette.textPrimary
            strokeWidth: 1.5
            fillColor: "transparent"
            capStyle: ShapePath.RoundCap
            joinStyle: ShapePath.RoundJoin
            startX: 1; startY: control.chevronArm + 1
            PathLine { x: control.chevronArm + 1; y: 1 }
            PathLine { x: 2 * control.chevronArm + 1; y: control.chevronArm + 1 }
        }
        ShapePath {
            strokeColor: BrandPalette.textPrimary
            strokeWidth: 1.5
            fillColor: "transparent"
            capStyle: ShapePath.RoundCap
            joinStyle: ShapePath.RoundJoin
            startX: 1; startY: control.indicator.height - control.chevronArm - 1
            PathLine { x: control.chevronArm + 1; y: control.indicator.height - 1 }
            PathLine { x: 2 * control.chevronArm + 1; y: control.indicator.height - control.chevronArm - 1 }
        }
    }

    background: Rectangle {
        implicitHeight: 30
        radius: 8
        color: BrandPalette.surface
        border.width: control.visualFocus ? 2 : 1
        border.color: control.visualFocus ? BrandPalette.accent : BrandPalette.border
    }

    // Qt 6.4's qmllint does not follow ids into a component (a delegate, a loaded view), though QML does.
    // qmllint disable unqualified
    delegate: ItemDelegate {
        id: entry
        required property int index
        required property string modelData
        width: ListView.view ? ListView.view.width : implicitWidth
        text: modelData
        font.pixelSize: BrandTextStyle.body
        font.weight: control.currentIndex === index ? Font.DemiBold : Font.Normal
        highlighted: control.highlightedIndex === index
        hoverEnabled: control.hoverEnabled
        contentItem: Text {
            textFormat: Text.PlainText
            text: entry.text
            font: entry.font
            color: entry.highlighted ? "white" : BrandPalette.textPrimary
            verticalAlignment: Text.AlignVCenter
            elide: Text.ElideRight
        }
        background: Rectangle {
            radius: 6
            color: entry.highlighted ? BrandPalette.accent : "transparent"
        }
    }

    // qmllint enable unqualified
    popup: Popup {
        y: control.height + 2
        width: control.width
        height: Math.min(contentItem.implicitHeight + topPadding + bottomPadding,
                         control.Window.height - topMargin - bottomMargin)
        topMargin: 6
        bottomMargin: 6
        padding: 4

        contentItem: ListView {
            clip: true
            implicitHeight: contentHeight
            model: control.delegateModel // qmllint disable type
            currentIndex: control.highlightedIndex
            highlightMoveDuration: 0
        }
        background: Rectangle {
            radius: 8
            color: BrandPalette.surface
            border.width: 1
            border.color: BrandPalette.border
        }
    }
}
