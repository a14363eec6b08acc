import QtQuick
import QtQuick.Controls
import Lirna.UI

// The album page's header: the cover beside the artist line, the title, the
// year and length, and the actions (Play, Shuffle, Like, "⋯"), tinted with
// the cover's palette when there is one.
Row {
    id: header

    required property AlbumDetailViewModel viewModel
    required property DownloadStore downloads
    required property ContextMenu menu

    spacing: 32

    Item {
        width: 230
        height: 230
        Rectangle {
            // The cover's soft shadow.
            anchors.fill: cover
            anchors.topMargin: 4
            anchors.bottomMargin: -4
            radius: 10
            color: Theme.alpha(Theme.black, 0.18)
            opacity: cover.hasImage ? 1 : 0
        }
        ArtworkView {
            id: cover
            objectName: "albumCover"
            anchors.fill: parent
            requestSize: 230
            cornerRadius: 8
            coverArt: header.viewModel.coverArt
            onImage: picture => header.viewModel.coverImage(picture)
        }
    }

    Column {
        width: header.width - 230 - header.spacing
        spacing: 8
        topPadding: 8

        Text {
            objectName: "artistLine"
            visible: header.viewModel.artist.length > 0
            width: Math.min(implicitWidth, parent.width)
            text: header.viewModel.artist
            textFormat: Text.PlainText
            elide: Text.ElideRight
            font.pixelSize: Theme.subheadline
            font.weight: Font.DemiBold
            font.capitalization: Font.AllUppercase
            font.letterSpacing: 0.8
            font.underline: header.viewModel.artistLinked && artistHover.hovered
            color: Theme.secondaryLabel
            HoverHandler {
                id: artistHover
                enabled: header.viewModel.artistLinked
                cursorShape: Qt.PointingHandCursor
            }
            TapHandler {
                enabled: header.viewModel.artistLinked
                onTapped: header.viewModel.openArtist()
            }
        }

        Text {
            objectName: "albumTitle"
            width: parent.width
            text: header.viewModel.title
            Accessible.role: Accessible.Heading
            Accessible.name: text
            textFormat: Text.PlainText
            wrapMode: Text.Wrap
            maximumLineCount: 3
            elide: Text.ElideRight
            font.pixelSize: 30
            font.weight: Font.Bold
            color: Theme.label
        }

        Row {
            spacing: 8
            Text {
                objectName: "metadataLine"
                anchors.verticalCenter: parent.verticalCenter
                text: header.viewModel.metadataLine
                textFormat: Text.PlainText
                font.pixelSize: Theme.footnote
                font.weight: Font.Medium
                font.capitalization: Font.AllUppercase
                font.letterSpacing: 0.5
                color: Theme.secondaryLabel
            }
            DownloadStatusBadge {
                objectName: "albumDownloadBadge"
                anchors.verticalCenter: parent.verticalCenter
                size: Theme.footnote + 3
                downloads: header.downloads
                albumId: header.viewModel.albumId
                songIds: header.viewModel.songIds
            }
        }

        Item {
            width: 1
            height: 20
        }

        Item {
            width: parent.width
            height: 34
            enabled: header.viewModel.actionsEnabled
            opacity: enabled ? 1 : 0.5

            Row {
                anchors.verticalCenter: parent.verticalCenter
                spacing: 12
                PillButton {
                    objectName: "playButton"
                    anchors.verticalCenter: parent.verticalCenter
                    text: qsTr("Play")
                    symbol: "play.fill"
                    tint: header.viewModel.fill
                    foreground: header.viewModel.fillLabel
                    onClicked: header.viewModel.play()
                }
                PillButton {
                    objectName: "shuffleButton"
                    anchors.verticalCenter: parent.verticalCenter
                    text: qsTr("Shuffle")
                    symbol: "shuffle"
                    tint: header.viewModel.tint
                    soft: true
                    onClicked: header.viewModel.shuffle()
                }
            }

            Row {
                anchors.right: parent.right
                anchors.verticalCenter: parent.verticalCenter
                spacing: 12
                CircleButton {
                    objectName: "likeAlbumButton"
                    symbol: header.viewModel.liked ? "heart.fill" : "heart"
                    text: header.viewModel.liked ? qsTr("Unlike Album") : qsTr("Like Album")
                    tint: header.viewModel.tint
                    soft: true
                    onClicked: header.viewModel.toggleLike()
                }
                CircleButton {
                    objectName: "albumMenuButton"
                    symbol: "ellipsis"
                    text: qsTr("More")
                    font.pixelSize: 13
                    onClicked: header.menu.openFor(null)
                }
            }
        }
    }
}
