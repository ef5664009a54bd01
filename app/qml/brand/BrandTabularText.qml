import QtQuick

// A line whose digits all take the width of the widest digit, so that a countdown does not jitter as
// it changes every second, whatever the font's own figures are. Plain text; read out whole.
Row {
    id: line
    property string text
    property font font
    property color color: BrandPalette.textPrimary

    Accessible.role: Accessible.StaticText
    Accessible.name: text

    FontMetrics {
        id: metrics
        font: line.font
    }
    readonly property real digitWidth: {
        let widest = 0
        for (let digit = 0; digit <= 9; ++digit)
            widest = Math.max(widest, metrics.advanceWidth(String(digit)))
        return Math.ceil(widest)
    }

    // Qt 6.4's qmllint does not follow ids into a component (a delegate, a loaded view), though QML does.
    // qmllint disable unqualified
    Repeater {
        model: line.text.split("")
        Text {
            required property string modelData
            readonly property bool isDigit: modelData >= "0" && modelData <= "9"
            textFormat: Text.PlainText
            text: modelData === " " ? "\u00a0" : modelData
            font: line.font
            color: line.color
            width: isDigit ? line.digitWidth : implicitWidth
            horizontalAlignment: Text.AlignHCenter
            Accessible.ignored: true
        }
    }
    // qmllint enable unqualified
}
