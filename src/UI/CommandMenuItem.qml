import QtQuick
import QtQuick.Controls
import Lirna.UI

// An item of the menu bar's menus: its text and, at its trailing end, the
// key that runs the same command. The window's shortcuts carry the keys (so
// they also work with the menus closed); the item only shows them.
//   shortcut  the key as the desktop writes it ("Ctrl+N"); none when empty
MenuItem {
    id: control

    property string shortcut

    contentItem: Item {
        implicitWidth: label.implicitWidth + (keys.text.length > 0 ? 32 + keys.implicitWidth : 0)
        implicitHeight: label.implicitHeight

        Text {
            id: label
            anchors.left: parent.left
            anchors.verticalCenter: parent.verticalCenter
            text: control.text
            textFormat: Text.PlainText
            font: control.font
            color: control.enabled ? control.palette.windowText : Theme.tertiaryLabel
        }
        Text {
            id: keys
            objectName: "menuItemShortcut"
            anchors.right: parent.right
            anchors.verticalCenter: parent.verticalCenter
            text: control.shortcut
            textFormat: Text.PlainText
            font: control.font
            color: control.enabled ? Theme.secondaryLabel : Theme.tertiaryLabel
        }
    }
}
