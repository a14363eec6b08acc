import QtQuick
import QtQuick.Controls
import Lirna.UI
import "MenuLayout.js" as MenuLayout

// Puts the items of a DownloadMenuModel into `menu` from `insertIndex` on
// and keeps them in step with it. Place it inside the menu:
//     ContextMenu {
//         id: menu
//         MenuEntry { text: "Rename…" }
//         DownloadMenuItems { menu: menu; insertIndex: 1; model: DownloadMenuModel { … } }
//     }
Instantiator {
    id: root

    required property Menu menu
    property int insertIndex: 0

    delegate: MenuEntry {
        required property var model
        required property int index

        text: model.text
        enabled: model.enabled
        destructive: model.destructive
        onTriggered: root.model.trigger(index)
    }

    onObjectAdded: (index, object) => {
        root.menu.insertItem(root.insertIndex + index, object)
        MenuLayout.settle(root.menu)
    }
    onObjectRemoved: (index, object) => {
        root.menu.removeItem(object)
        MenuLayout.settle(root.menu)
    }
}
