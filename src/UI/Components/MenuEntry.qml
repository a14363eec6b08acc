import QtQuick
import QtQuick.Controls
import Lirna.UI

// An item of a ContextMenu: rounded accent highlight under the pointer, text
// in the label colour, or in red when `destructive`.
MenuItem {
    id: control

    property bool destructive: false
    readonly property color textColor: !enabled ? Theme.tertiaryLabel
        : highlighted ? Theme.white
        : destructive ? Theme.destructive : Theme.label

    implicitHeight: 24
    leftPadding: 12
    rightPadding: 12
    font.pixelSize: Theme.body

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
