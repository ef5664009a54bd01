import QtQuick
import QtQuick.Shapes

// The product mark: a pulse line drawn on a 132-unit grid, scaled to `size`.
Item {
    id: mark
    property real size: 24
    property color color: BrandPalette.accent

    implicitWidth: size
    implicitHeight: size
    Accessible.role: Accessible.Graphic
    Accessible.name: "Kindora"

    Shape {
        anchors.fill: parent
        transform: Scale { xScale: mark.size / 132; yScale: mark.size / 132 }
        ShapePath {
            strokeColor: mark.color
            strokeWidth: 12
            fillColor: "transparent"
            capStyle: ShapePath.RoundCap
            joinStyle: ShapePath.RoundJoin
            startX: 10; startY: 70
            PathLine { x: 38; y: 70 }
            PathLine { x: 50; y: 36 }
            PathLine { x: 66; y: 100 }
            PathLine { x: 80; y: 52 }
            PathLine { x: 89; y: 70 }
            PathLine { x: 122; y: 70 }
        }
    }
}
