import QtQuick
import QtQuick.Shapes

// A filled diamond in a square of side `size`.
Item {
    id: glyph
    property real size: 8
    property color color: BrandPalette.accent

    implicitWidth: size
    implicitHeight: size

    Shape {
        anchors.fill: parent
        ShapePath {
            strokeWidth: 0
            strokeColor: "transparent"
            fillColor: glyph.color
            startX: glyph.size / 2; startY: 0
            PathLine { x: glyph.size; y: glyph.size / 2 }
            PathLine { x: glyph.size / 2; y: glyph.size }
            PathLine { x: 0; y: glyph.size / 2 }
            PathLine { x: glyph.size / 2; y: 0 }
        }
    }
}
