import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Lirna.UI

// The sidebar: the fixed entries, "Presets" and the server's playlists.
Pane {
    id: root

    required property SidebarModel model
    property color accent: Theme.clear
    // Receive albums dropped on a playlist row and serve its download items.
    property LibraryStore library
    property DownloadStore downloads

    signal newPlaylist()
    signal renamePlaylist(string id, string name)
    signal deletePlaylist(string id)

    objectName: "Sidebar"
    padding: 0

    background: Rectangle {
        color: Theme.sidebar
        AccentGradient {
            objectName: "sidebarAccent"
            width: parent.width
            accent: root.accent
        }
    }

    PlaylistDropHandler {
        id: dropHandler
        library: root.library
    }

    ListView {
        id: list
        objectName: "sidebarList"
        anchors.fill: parent
        anchors.topMargin: 8
        clip: true
        model: root.model
        boundsBehavior: Flickable.StopAtBounds
        ScrollBar.vertical: ScrollBar {}

        delegate: Loader {
            id: row
            required property int index
            required property string kind
            required property string title
            required property string icon
            required property bool selected
            required property string playlistId
            required property int header

            width: ListView.view.width
            sourceComponent: kind === "header" ? headerRow : entryRow

            Component {
                id: headerRow
                SectionHeader {
                    height: 30
                    title: row.title
                    leftPadding: 14
                    rightPadding: 6
                    topPadding: 8

                    IconButton {
                        objectName: "newPlaylistButton"
                        visible: row.header === SidebarModel.PlaylistsHeader
                        width: 22
                        height: 22
                        symbol: "plus"
                        symbolSize: 16
                        text: "New Playlist"
                        onClicked: root.newPlaylist()
                    }
                }
            }

            Component {
                id: entryRow
                ItemDelegate {
                    id: entry
                    objectName: row.kind === "playlist" ? "playlistRow_" + row.playlistId : ""
                    height: 28
                    focusPolicy: Qt.NoFocus
                    highlighted: row.selected
                    leftPadding: 14
                    rightPadding: 12
                    topPadding: 0
                    bottomPadding: 0
                    Accessible.name: row.title
                    background: Rectangle {
                        objectName: "rowBackground"
                        anchors.fill: parent
                        anchors.leftMargin: albumDrop.containsDrag ? 4 : 6
                        anchors.rightMargin: albumDrop.containsDrag ? 4 : 6
                        radius: 5
                        color: albumDrop.containsDrag ? Theme.alpha(Theme.accent, 0.25)
                            : row.selected ? Theme.selection : (parent.hovered ? Theme.hover : Theme.clear)
                    }
                    contentItem: RowLayout {
                        spacing: 8
                        Icon {
                            Layout.preferredWidth: 18
                            name: row.icon
                            size: 16
                            color: Theme.accent
                        }
                        Label {
                            Layout.fillWidth: true
                            text: row.title
                            textFormat: Text.PlainText
                            elide: Text.ElideRight
                            font.pixelSize: Theme.body
                        }
                    }
                    // Activation by keyboard or accessibility.
                    onClicked: root.model.activate(row.index)

                    // The control would take a right press as a click too: the
                    // mouse goes through this area, where a right click on a
                    // playlist only opens its menu and never selects it.
                    MouseArea {
                        anchors.fill: parent
                        acceptedButtons: row.kind === "playlist" ? Qt.LeftButton | Qt.RightButton : Qt.LeftButton
                        onClicked: mouse => {
                            if (mouse.button === Qt.RightButton)
                                rowMenu.popup(mouse.x, mouse.y)
                            else
                                root.model.activate(row.index)
                        }
                    }

                    // Albums dragged onto a playlist are added to it, in the
                    // order of the drop, to the playlist the row shows now.
                    DropArea {
                        id: albumDrop
                        objectName: "albumDropArea"
                        anchors.fill: parent
                        enabled: row.kind === "playlist"
                        keys: [DragPayload.albumFormat]
                        onDropped: drop => {
                            const payload = drop.source ? drop.source.Drag.mimeData[DragPayload.albumFormat]
                                : drop.getDataAsString(DragPayload.albumFormat)
                            if (dropHandler.dropAlbums(row.playlistId, payload))
                                drop.accept(Qt.CopyAction)
                        }
                    }

                    // A playlist's menu is built on its first right click:
                    // most rows' menus are never opened.
                    Loader {
                        id: rowMenu
                        anchors.fill: parent
                        active: false
                        sourceComponent: ContextMenu {
                            id: playlistMenu
                            objectName: "playlistMenu"
                            MenuEntry {
                                text: "Rename…"
                                onTriggered: root.renamePlaylist(row.playlistId, row.title)
                            }
                            DownloadMenuItems {
                                menu: playlistMenu
                                insertIndex: 1
                                model: DownloadMenuModel {
                                    downloads: root.downloads
                                    playlistId: row.kind === "playlist" ? row.playlistId : ""
                                    playlistName: row.title
                                }
                            }
                            MenuDivider {}
                            DestructiveMenuItem {
                                objectName: "deletePlaylistItem"
                                text: "Delete Playlist…"
                                onTriggered: root.deletePlaylist(row.playlistId)
                            }
                        }

                        function popup(x, y) {
                            active = true
                            item.popup(x, y)
                        }
                    }
                }
            }
        }
    }
}
