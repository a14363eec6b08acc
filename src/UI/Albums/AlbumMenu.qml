import QtQuick
import Lirna.UI

// The album tiles' context menu, wherever tiles are laid out: playback, the
// like item, "Add to Playlist" and the album's download items. Opened by a
// tile with its row as the context; the tile's press has pointed the view
// model's playlist and download items at that album.
ContextMenu {
    id: albumMenu

    required property AlbumCollectionViewModel viewModel
    property bool liked: false

    objectName: "albumMenu"
    onAboutToShow: liked = viewModel.isLiked(context)

    MenuEntry {
        text: qsTr("Play")
        onTriggered: albumMenu.viewModel.play(albumMenu.context, false)
    }
    MenuEntry {
        text: qsTr("Shuffle")
        onTriggered: albumMenu.viewModel.play(albumMenu.context, true)
    }
    MenuDivider {}
    MenuEntry {
        text: qsTr("Play Next")
        onTriggered: albumMenu.viewModel.playNext(albumMenu.context, false)
    }
    MenuEntry {
        text: qsTr("Play Last")
        onTriggered: albumMenu.viewModel.playNext(albumMenu.context, true)
    }
    MenuDivider {}
    MenuEntry {
        text: albumMenu.liked ? qsTr("Unlike Album") : qsTr("Like Album")
        onTriggered: albumMenu.viewModel.toggleLike(albumMenu.context)
    }
    AddToPlaylistMenu {
        objectName: "albumPlaylistMenu"
        playlists: albumMenu.viewModel.menuPlaylists
    }
    DownloadMenuItems {
        menu: albumMenu
        insertIndex: 8
        model: albumMenu.viewModel.menuDownloads
    }
}
