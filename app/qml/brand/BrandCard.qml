import QtQuick

// A raised surface holding a column of content.
Rectangle {
    id: card
    property real cornerRadius: 12
    property real padding: 12
    default property alias content: column.data

    radius: cornerRadius
    color: BrandPalette.surface
    border.width: 1
    border.color: BrandPalette.border
    implicitWidth: column.implicitWidth + 2 * padding
    implicitHeight: column.implicitHeight + 2 * padding

    Column {
        id: column
        x: card.padding
        y: card.padding
        width: card.width - 2 * card.padding
        spacing: 6
    }
}
