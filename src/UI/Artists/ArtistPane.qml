import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Lirna.UI

// One artist: the name with the like button and the play and shuffle
// buttons of the whole discography, a divider, and the albums newest first
// (or the pane's notice while there are none to show).
Item {
    id: pane

    required property PageContext context
    required property ArtistPaneViewModel viewModel

    objectName: "artistPane"

    ColumnLayout {
        anchors.fill: parent
        spacing: 0

        RowLayout {
            Layout.fillWidth: true
            Layout.leftMargin: 24
            Layout.rightMargin: 24
            Layout.topMargin: 24
            Layout.bottomMargin: 16
            spacing: 14

            Label {
                objectName: "artistName"
                Layout.maximumWidth: pane.width - 48 - 3 * (34 + 14) - 14
                text: pane.viewModel.name
                textFormat: Text.PlainText
                elide: Text.ElideRight
                maximumLineCount: 1
                font.pixelSize: Theme.largeTitle
                font.weight: Font.Bold
                color: Theme.label
            }
            CircleButton {
                objectName: "artistLikeButton"
                symbol: pane.viewModel.liked ? "heart.fill" : "heart"
                text: pane.viewModel.likeText
                focusPolicy: Qt.NoFocus
                onClicked: pane.viewModel.toggleArtistLike()
            }
            Item {
                Layout.fillWidth: true
            }
            CircleButton {
                objectName: "artistPlayButton"
                symbol: "play.fill"
                text: pane.viewModel.playText
                enabled: pane.viewModel.playEnabled
                opacity: enabled ? 1 : 0.45
                focusPolicy: Qt.NoFocus
                onClicked: pane.viewModel.playDiscography(false)
            }
            CircleButton {
                objectName: "artistShuffleButton"
                symbol: "shuffle"
                text: pane.viewModel.shuffleText
                enabled: pane.viewModel.playEnabled
                opacity: enabled ? 1 : 0.45
                focusPolicy: Qt.NoFocus
                onClicked: pane.viewModel.playDiscography(true)
            }
        }

        Rectangle {
            Layout.fillWidth: true
            Layout.preferredHeight: 1
            color: Theme.separator
        }

        AlbumGrid {
            id: albums

            Layout.fillWidth: true
            Layout.fillHeight: true
            context: pane.context
            viewModel: pane.viewModel
            serverFallback: false
            overlay: pane.viewModel.overlay
            failedTitle: qsTr("Couldn’t Load Artist")
            failedText: pane.viewModel.errorMessage
            emptyTitle: qsTr("No Albums")
            emptySymbol: "square.stack"
            emptyText: qsTr("This artist has no albums in your library.")
        }
    }

    // Another artist starts at the top of its albums.
    Connections {
        target: pane.viewModel
        function onArtistChanged() {
            albums.grid.positionViewAtBeginning()
        }
    }
}
