import QtQuick
import QtQuick.Controls
import Lirna.UI

// The playlist page's header, the list's first item: the collage beside the
// kind label, the name, the counts with the download badge and the actions;
// below it the loading, failure or empty state when there are no rows to
// show.
Item {
    id: header

    required property real columnX
    required property real columnWidth
    required property PageContext context
    required property PlaylistDetailViewModel viewModel
    required property ContextMenu menu

    readonly property bool failed: viewModel.errorMessage !== ""
    readonly property bool empty: !failed && viewModel.loaded && viewModel.tracks.count === 0

    height: column.implicitHeight + 28

    Column {
        id: column
        x: header.columnX
        width: header.columnWidth
        spacing: 28

        Row {
            id: top
            spacing: 32
            width: parent.width

            CollectionArtworkView {
                objectName: "playlistArtwork"
                songs: header.viewModel.collageSongs
                size: 230
                cornerRadius: 8
                width: 230
                height: 230
            }

            Column {
                width: top.width - 230 - top.spacing
                spacing: 8

                Text {
                    objectName: "playlistKind"
                    text: "PLAYLIST"
                    Accessible.role: Accessible.StaticText
                    Accessible.name: text
                    textFormat: Text.PlainText
                    font.pixelSize: Theme.subheadline
                    font.weight: Font.DemiBold
                    font.letterSpacing: 0.8
                    color: Theme.secondaryLabel
                }
                Text {
                    objectName: "playlistName"
                    width: parent.width
                    text: header.viewModel.name
                    Accessible.role: Accessible.Heading
                    Accessible.name: text
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
                        text: header.viewModel.metadataLine
                        Accessible.role: Accessible.StaticText
                        Accessible.name: text
                        textFormat: Text.PlainText
                        font.pixelSize: Theme.footnote
                        font.weight: Font.Medium
                        font.capitalization: Font.AllUppercase
                        font.letterSpacing: 0.5
                        color: Theme.secondaryLabel
                    }
                    DownloadStatusBadge {
                        objectName: "playlistDownloadBadge"
                        anchors.verticalCenter: parent.verticalCenter
                        size: Theme.footnote + 3
                        downloads: header.context.downloads
                        playlistId: header.viewModel.playlistId
                        songIds: header.viewModel.songIds
                    }
                }
                Item { width: 1; height: 12 }
                Item {
                    width: parent.width
                    height: 34
                    enabled: header.viewModel.loaded
                    opacity: enabled ? 1 : 0.5

                    Row {
                        anchors.verticalCenter: parent.verticalCenter
                        spacing: 12
                        PillButton {
                            objectName: "playButton"
                            text: "Play"
                            symbol: "play.fill"
                            onClicked: header.viewModel.play()
                        }
                        PillButton {
                            objectName: "shuffleButton"
                            text: "Shuffle"
                            symbol: "shuffle"
                            enabled: header.viewModel.tracks.count > 0
                            onClicked: header.viewModel.playShuffled()
                        }
                    }
                    CircleButton {
                        objectName: "actionsButton"
                        anchors.right: parent.right
                        anchors.verticalCenter: parent.verticalCenter
                        symbol: "ellipsis"
                        text: "More"
                        font.pixelSize: 13
                        onClicked: header.menu.openFor(null)
                    }
                }
            }
        }

        // The failure and the empty playlist, as the album page shows its
        // states: a symbol, a title and what to know.
        Column {
            objectName: header.failed ? "playlistError" : "playlistEmpty"
            visible: header.failed || header.empty
            width: parent.width
            topPadding: 60
            bottomPadding: 60
            spacing: 8
            Icon {
                anchors.horizontalCenter: parent.horizontalCenter
                name: header.failed ? "exclamationmark.triangle" : "music.note.list"
                size: 40
                color: Theme.secondaryLabel
            }
            Text {
                width: parent.width
                horizontalAlignment: Text.AlignHCenter
                text: header.failed ? "Couldn’t Load Playlist" : "Empty Playlist"
                Accessible.role: Accessible.Heading
                Accessible.name: text
                textFormat: Text.PlainText
                font.pixelSize: Theme.title2
                font.weight: Font.Bold
                color: Theme.label
            }
            Text {
                objectName: "stateMessage"
                width: parent.width
                horizontalAlignment: Text.AlignHCenter
                wrapMode: Text.Wrap
                text: header.failed ? header.viewModel.errorMessage
                                    : "Add songs from anywhere with “Add to Playlist”."
                textFormat: Text.PlainText
                font.pixelSize: Theme.body
                color: Theme.secondaryLabel
            }
        }

        Item {
            objectName: "loadingState"
            visible: !header.failed && !header.viewModel.loaded
            width: parent.width
            height: visible ? busy.implicitHeight + 120 : 0
            BusyIndicator {
                id: busy
                anchors.centerIn: parent
                running: parent.visible
            }
        }
    }
}
