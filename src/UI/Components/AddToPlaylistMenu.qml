import QtQuick
import QtQuick.Controls
import Lirna.UI
import "MenuLayout.js" as MenuLayout

// The "Add to Playlist" submenu over an AddToPlaylistModel (`playlists`),
// whose content the page's view model sets before the menu opens.
ContextMenu {
    id: root

    required property AddToPlaylistModel playlists

    title: "Add to Playlist"

    Instantiator {
        model: root.playlists
        delegate: MenuEntry {
            required property var model
            required property int index

            text: model.title
            enabled: model.enabled
            onTriggered: root.playlists.add(index)
        }
        onObjectAdded: (index, object) => {
            root.insertItem(index, object)
            MenuLayout.settle(root)
        }
        onObjectRemoved: (index, object) => {
            root.removeItem(object)
            MenuLayout.settle(root)
        }
    }
}
