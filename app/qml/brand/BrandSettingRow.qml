import QtQuick
import QtQuick.Layouts

// A control with its caption underneath.
ColumnLayout {
    id: row
    property string caption
    default property alias content: holder.data

    spacing: 2
    Item {
        id: holder
        Layout.fillWidth: true
        implicitHeight: childrenRect.height
    }
    BrandCaption {
        text: row.caption
        Layout.fillWidth: true
    }
}
