import QtQuick
import QtQuick.Controls
import Lirna.UI

// The playlist page: header (collage, name, counts, actions) above the rows.
// Rows are reordered by dragging them with the pointer; the view model moves
// them and saves the order.
Item {
    id: page
    objectName: "PlaylistDetailView"

    required property PageContext context
    required property PlaylistDetailViewModel viewModel

    // The rows take the keyboard as soon as there are rows, so the arrows
    // and Return work without a click first.
    function focusRows() {
        if (page.context.isOnTop && rows.visible)
            rows.forceActiveFocus()
    }

    Rectangle {
        anchors.fill: parent
        color: Theme.content
    }

    Flickable {
        id: flick
        objectName: "playlistScroll"
        anchors.fill: parent
        contentWidth: width
        contentHeight: content.implicitHeight + 64 + page.context.bottomInset
        clip: true
        boundsBehavior: Flickable.StopAtBounds
        interactive: !rows.dragging
        ScrollBar.vertical: ScrollBar {}

        Column {
            id: content
            x: 36 + Math.max(0, (flick.width - 72 - width) / 2)
            y: 32
            width: Math.min(800, flick.width - 72)
            spacing: 28

            Row {
                id: header
                spacing: 32
                width: parent.width

                CollectionArtworkView {
                    objectName: "playlistArtwork"
                    songs: page.viewModel.songs
                    size: 230
                    cornerRadius: 8
                    width: 230
                    height: 230
                }

                Column {
                    width: header.width - 230 - header.spacing
                    spacing: 8

                    Text {
                        text: "PLAYLIST"
                        textFormat: Text.PlainText
                        font.pixelSize: Theme.subheadline
                        font.weight: Font.DemiBold
                        font.letterSpacing: 0.8
                        color: Theme.secondaryLabel
                    }
                    Text {
                        objectName: "playlistName"
                        width: parent.width
                        text: page.viewModel.name
                        textFormat: Text.PlainText
                        font.pixelSize: 30
                        font.bold: true
                        color: Theme.label
                        wrapMode: Text.Wrap
                        maximumLineCount: 2
                        elide: Text.ElideRight
                    }
                    Row {
                        spacing: 8
                        Text {
                            objectName: "playlistMetadata"
                            anchors.verticalCenter: parent.verticalCenter
                            text: page.viewModel.metadataLine.toUpperCase()
                            textFormat: Text.PlainText
                            font.pixelSize: Theme.footnote
                            font.weight: Font.Medium
                            font.letterSpacing: 0.5
                            color: Theme.secondaryLabel
                        }
                        DownloadStatusBadge {
                            objectName: "playlistDownloadBadge"
                            anchors.verticalCenter: parent.verticalCenter
                            size: Theme.footnote + 3
                            downloads: page.context.downloads
                            playlistId: page.viewModel.playlistId
                            songIds: page.viewModel.songIds
                        }
                    }
                    Item { width: 1; height: 12 }
                    Item {
                        width: parent.width
                        height: 34
                        enabled: page.viewModel.loaded
                        opacity: enabled ? 1 : 0.5

                        Row {
                            anchors.verticalCenter: parent.verticalCenter
                            spacing: 12
                            PillButton {
                                objectName: "playButton"
                                text: "Play"
                                symbol: "play.fill"
                                onClicked: page.viewModel.play()
                            }
                            PillButton {
                                objectName: "shuffleButton"
                                text: "Shuffle"
                                symbol: "shuffle"
                                enabled: page.viewModel.tracks.count > 0
                                onClicked: page.viewModel.playShuffled()
                            }
                        }
                        CircleButton {
                            objectName: "actionsButton"
                            anchors.right: parent.right
                            anchors.verticalCenter: parent.verticalCenter
                            symbol: "ellipsis"
                            text: "More"
                            font.pixelSize: 13
                            onClicked: actionsMenu.openFor(null)
                        }
                    }
                }
            }

            Text {
                objectName: "playlistError"
                visible: page.viewModel.errorMessage !== ""
                width: parent.width
                topPadding: 60
                bottomPadding: 60
                horizontalAlignment: Text.AlignHCenter
                wrapMode: Text.Wrap
                textFormat: Text.PlainText
                text: "Couldn’t Load Playlist\n" + page.viewModel.errorMessage
                color: Theme.secondaryLabel
                font.pixelSize: Theme.body
            }

            Text {
                objectName: "playlistEmpty"
                visible: page.viewModel.errorMessage === "" && page.viewModel.loaded
                         && page.viewModel.tracks.count === 0
                width: parent.width
                topPadding: 60
                bottomPadding: 60
                horizontalAlignment: Text.AlignHCenter
                wrapMode: Text.Wrap
                textFormat: Text.PlainText
                text: "Empty Playlist\nAdd songs from anywhere with “Add to Playlist”."
                color: Theme.secondaryLabel
                font.pixelSize: Theme.body
            }

            BusyIndicator {
                visible: running
                running: page.viewModel.errorMessage === "" && !page.viewModel.loaded
                anchors.horizontalCenter: parent.horizontalCenter
            }

            Column {
                id: rows
                objectName: "playlistRows"
                width: parent.width
                visible: page.viewModel.errorMessage === "" && page.viewModel.tracks.count > 0
                focus: true
                activeFocusOnTab: true
                onVisibleChanged: page.focusRows()

                // The row a drag hovers, and whether a drag runs.
                property bool dragging: false
                property int hovered: -1

                function rowAt(y) {
                    const item = rows.childAt(rows.width / 2, y)
                    return item && item.rowIndex !== undefined ? item.rowIndex : -1
                }

                Keys.onUpPressed: page.viewModel.moveSelection(-1)
                Keys.onDownPressed: page.viewModel.moveSelection(1)
                Keys.onReturnPressed: page.viewModel.playSelected()
                Keys.onEnterPressed: page.viewModel.playSelected()

                Repeater {
                    model: page.viewModel.tracks

                    delegate: PlaylistTrackRow {
                        width: rows.width
                        onSelect: {
                            page.viewModel.selectRow(rowIndex)
                            rows.forceActiveFocus()
                        }
                        onPlay: page.viewModel.playRow(rowIndex)
                        contextMenu: rowMenu
                        playing: page.context.player ? page.context.player.isPlaying : false
                        onDragStarted: {
                            rows.dragging = true
                            rows.hovered = rowIndex
                            page.viewModel.beginDrag(rowIndex)
                        }
                        onDragMoved: (y) => {
                            const target = rows.rowAt(mapToItem(rows, 0, y).y)
                            if (target >= 0 && target !== rows.hovered) {
                                rows.hovered = target
                                page.viewModel.moveDraggedRow(target)
                            }
                        }
                        onDragEnded: (y) => {
                            rows.dragging = false
                            rows.hovered = -1
                            if (rows.rowAt(mapToItem(rows, 0, y).y) >= 0)
                                page.viewModel.dropDragged()
                            else
                                page.viewModel.endDrag()
                        }
                    }
                }
            }
        }
    }

    Connections {
        target: page.viewModel
        function onRevealRow(row) {
            const item = rows.children[row]
            if (!item)
                return
            const top = item.mapToItem(content, 0, 0).y + content.y
            if (top < flick.contentY)
                flick.contentY = top
            else if (top + item.height > flick.contentY + flick.height - page.context.bottomInset)
                flick.contentY = top + item.height - flick.height + page.context.bottomInset
        }
    }

    Component.onCompleted: focusRows()
    Connections {
        target: page.context
        function onIsOnTopChanged() {
            page.focusRows()
        }
    }

    ContextMenu {
        id: actionsMenu
        objectName: "actionsMenu"
        MenuEntry { text: "Play Next"; onTriggered: page.viewModel.playNext() }
        MenuEntry { text: "Play Last"; onTriggered: page.viewModel.playLast() }
        MenuDivider {}
        DownloadMenuItems {
            menu: actionsMenu
            insertIndex: 3
            model: DownloadMenuModel {
                downloads: page.context.downloads
                playlistId: page.viewModel.playlistId
                playlistName: page.viewModel.sourceName
                songIds: page.viewModel.songIds
            }
        }
        MenuDivider {}
        MenuEntry {
            objectName: "renameEntry"
            text: "Rename…"
            onTriggered: {
                renameField.text = page.viewModel.name
                renameDialog.open()
            }
        }
        MenuEntry {
            objectName: "deleteEntry"
            text: "Delete Playlist…"
            destructive: true
            onTriggered: deleteDialog.open()
        }
    }

    // Opened on a row with its index as the context.
    ContextMenu {
        id: rowMenu
        objectName: "rowMenu"
        onAboutToShow: page.viewModel.prepareRowMenu(rowMenu.context)
        MenuEntry { text: "Play Next"; onTriggered: page.viewModel.playRowNext(rowMenu.context) }
        MenuEntry { text: "Play Last"; onTriggered: page.viewModel.playRowLast(rowMenu.context) }
        MenuDivider {}
        LikeMenuItem {
            like: page.viewModel.rowLike
        }
        AddToPlaylistMenu {
            objectName: "rowPlaylistMenu"
            playlists: page.viewModel.rowPlaylists
        }
        MenuDivider {}
        MenuEntry {
            objectName: "removeEntry"
            text: "Remove from Playlist"
            destructive: true
            enabled: !page.viewModel.isLocalOrder
            onTriggered: page.viewModel.removeRow(rowMenu.context)
        }
    }

    AlertDialog {
        id: renameDialog
        objectName: "renameDialog"
        title: "Rename Playlist"
        acceptText: "Rename"
        rejectText: "Cancel"
        InputField {
            id: renameField
            objectName: "renameField"
            width: parent.width
            placeholderText: "Name"
        }
        onAccepted: page.viewModel.rename(renameField.text)
    }

    AlertDialog {
        id: deleteDialog
        objectName: "deleteDialog"
        title: "Delete “" + page.viewModel.sourceName + "”?"
        acceptText: "Delete Playlist"
        rejectText: "Cancel"
        destructive: true
        Text {
            text: "This removes the playlist from your server."
            textFormat: Text.PlainText
            color: Theme.secondaryLabel
            font.pixelSize: Theme.body
        }
        onAccepted: page.viewModel.deletePlaylist()
    }
}
