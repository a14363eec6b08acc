import QtQuick
import Lirna.UI

// The liked songs, in the store's order until a column is clicked.
Item {
    id: page

    required property PageContext context
    required property SongTableViewModel viewModel

    // The window shows it in its toolbar.
    readonly property string title: qsTr("Liked Songs")

    objectName: "LikedSongsView"

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
        AddToPlaylistMenu {
            objectName: "menuAddToPlaylist"
            playlists: page.viewModel.menuPlaylists
        }
        MenuEntry {
            objectName: "menuUnlike"
            text: qsTr("Unlike")
            onTriggered: page.viewModel.menuUnlike()
        }
    }
}
