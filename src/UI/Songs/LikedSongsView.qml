import QtQuick
import Lirna.UI

// The liked songs, in the store's order until a column is clicked.
Item {
    id: page

    required property PageContext context
    required property SongTableViewModel viewModel

    objectName: "LikedSongsView"

    SongTable {
        anchors.fill: parent
        context: page.context
        viewModel: page.viewModel
        menu: songMenu
    }

    ContextMenu {
        id: songMenu
        objectName: "songMenu"
        MenuEntry {
            objectName: "menuPlay"
            text: qsTr("Play")
            onTriggered: page.viewModel.menuPlay()
        }
        MenuDivider {}
        MenuEntry {
            objectName: "menuPlayNext"
            text: qsTr("Play Next")
            onTriggered: page.viewModel.menuPlayNext()
        }
        MenuEntry {
            objectName: "menuPlayLast"
            text: qsTr("Play Last")
            onTriggered: page.viewModel.menuPlayLast()
        }
        MenuDivider {}
        // "Add to Playlist" (the shared submenu over viewModel.menuSongs) goes here.
        MenuEntry {
            objectName: "menuUnlike"
            text: qsTr("Unlike")
            onTriggered: page.viewModel.menuUnlike()
        }
    }
}
