import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Kindora
import Kindora.Brand

// One step: its title, its content and a footer with the primary button and the steps left.
ColumnLayout {
    id: layout
    required property WizardViewModel wizard
    property string title
    property string primaryText
    signal primaryClicked()
    default property alias content: body.data

    spacing: 12
    Text {
        textFormat: Text.PlainText
        text: layout.title
        color: "white"
        font.pixelSize: BrandTextStyle.title
        font.weight: Font.DemiBold
        Accessible.role: Accessible.Heading
        Accessible.name: text
    }
    // The content scrolls when it is taller than the window (the preferences step), so the footer's
    // button always stays in view.
    Flickable {
        id: scroller
        Layout.fillWidth: true
        Layout.fillHeight: true
        contentHeight: body.implicitHeight
        clip: true
        boundsBehavior: Flickable.StopAtBounds
        ScrollBar.vertical: ScrollBar { policy: scroller.contentHeight > scroller.height ? ScrollBar.AlwaysOn : ScrollBar.AlwaysOff }

        ColumnLayout {
            id: body
            width: scroller.width - 12
            spacing: 10
        }
    }
    RowLayout {
        Layout.fillWidth: true
        BrandCaption { text: layout.wizard.stepsLeft; Layout.fillWidth: true }
        BrandPrimaryButton {
            text: layout.primaryText
            visible: text.length > 0
            focus: true
            onClicked: layout.primaryClicked()
        }
    }
}
