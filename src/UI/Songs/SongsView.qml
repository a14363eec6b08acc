import QtQuick
import Lirna.UI

// Every song of the library in one sortable table.
Item {
    id: page

    required property PageContext context
    required property SongTableViewModel viewModel

    // The window shows it in its toolbar.
    readonly property string title: qsTr("Songs")

    objectName: "SongsView"

    // While the server cannot be reached and there is nothing to list, its
    // notice takes the table's place.
    ServerUnavailableFallback {
        anchors.fill: parent
        context: page.context
        isEmpty: page.viewModel.model.count === 0

        SongTable {
            anchors.fill: parent
            context: page.context
            viewModel: page.viewModel
            menu: songMenu
        }
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
        AddToPlaylistMenu {
            objectName: "menuAddToPlaylist"
            playlists: page.viewModel.menuPlaylists
        }
    }
}
