import QtQuick
import QtQuick.Controls
import Lirna.UI

// An item of a ContextMenu: rounded accent highlight under the pointer, text
// in the label colour, or in red when `destructive`. The item of a submenu
// shows a chevron at its trailing end.
MenuItem {
    id: control

    property bool destructive: false
    readonly property color textColor: !enabled ? Theme.tertiaryLabel
        : highlighted ? Theme.white
        : destructive ? Theme.destructive : Theme.label

    implicitHeight: 24
    leftPadding: 12
    rightPadding: subMenu !== null ? 30 : 12
    font.pixelSize: Theme.body

    arrow: Icon {
        x: control.width - width - 10
        y: (control.height - height) / 2
        visible: control.subMenu !== null
        name: "chevron.right"
        size: 14
        color: control.textColor
    }

    contentItem: Text {
        text: control.text
        textFormat: Text.PlainText
        font: control.font
        color: control.textColor
        elide: Text.ElideRight
        verticalAlignment: Text.AlignVCenter
    }

    background: Rectangle {
        implicitWidth: 180
        x: 4
        width: control.width - 8
        radius: 4
        color: control.highlighted ? (control.destructive ? Theme.destructive : Theme.accent) : Theme.clear
    }
}
