import QtQuick
import Lirna.UI

// The "Like"/"Unlike" item of a song's menu, over a LikeMenuItemModel.
MenuEntry {
    id: root

    required property LikeMenuItemModel like

    text: like.text
    enabled: like.available
    onTriggered: like.toggle()
}
