import QtQuick
import Lirna.UI

// Every song of the library in one sortable table.
Item {
    id: page

    required property PageContext context
    required property SongTableViewModel viewModel

    objectName: "SongsView"

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
        MenuEntry {
            objectName: "menuLike"
            visible: page.viewModel.menuHasLike
            height: visible ? implicitHeight : 0
            text: page.viewModel.menuLikeText
            onTriggered: page.viewModel.menuToggleLike()
        }
        // "Add to Playlist" (the shared submenu over viewModel.menuSongs) goes here.
    }
}
