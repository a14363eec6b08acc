import QtQuick
import QtQuick.Controls
import Lirna.UI

// One featured album over the card's backdrop: the cover, "FEATURED", the
// title, the artist and year, "Play" and "Shuffle". Shown by fading in when
// it becomes the current card, hidden by fading out.
Item {
    id: card

    required property FeaturedCarouselViewModel viewModel
    required property int index
    required property string name
    required property string artist
    required property bool hasArtistLink
    required property string year
    required property string coverArt
    property int artSize: 148
    property bool current: false

    objectName: current ? "featuredCurrentCard" : "featuredCardContent"
    opacity: current ? 1 : 0
    visible: opacity > 0
    Behavior on opacity { NumberAnimation { duration: 350; easing.type: Easing.InOutQuad } }

    Row {
        anchors.fill: parent
        anchors.margins: 24
        spacing: 20

        Item {
            id: cover

            anchors.verticalCenter: parent.verticalCenter
            width: card.artSize
            height: card.artSize
            scale: coverArea.containsMouse ? 1.02 : 1
            Behavior on scale { NumberAnimation { duration: 150; easing.type: Easing.OutQuad } }

            Rectangle {
                // The shadow under the cover.
                anchors.fill: parent
                anchors.topMargin: 4
                anchors.bottomMargin: -4
                radius: 9
                color: Theme.alpha(Theme.black, 0.25)
            }
            ArtworkView {
                anchors.fill: parent
                // Only the shown card's cover is asked for; showing it again
                // takes it from memory, which hands the image on once more.
                coverArt: card.visible ? card.coverArt : ""
                requestSize: card.artSize
                cornerRadius: 8
                onImage: picture => card.viewModel.coverImage(card.index, picture)
            }
            MouseArea {
                id: coverArea

                objectName: "featuredCover"
                anchors.fill: parent
                hoverEnabled: true
                cursorShape: Qt.PointingHandCursor
                Accessible.role: Accessible.Button
                Accessible.name: qsTr("Open album %1").arg(card.name)
                onClicked: card.viewModel.openAlbum(card.index)
            }
        }

        Column {
            anchors.verticalCenter: parent.verticalCenter
            width: parent.width - cover.width - parent.spacing
            spacing: 5

            Label {
                text: qsTr("Featured").toUpperCase()
                textFormat: Text.PlainText
                font.pixelSize: Theme.caption
                font.weight: Font.DemiBold
                font.letterSpacing: 1.1
                color: Theme.alpha(Theme.white, 0.8)
            }
            Label {
                objectName: "featuredTitle"
                width: Math.min(implicitWidth, parent.width)
                text: card.name
                textFormat: Text.PlainText
                font.pixelSize: Theme.title2
                font.weight: Font.Bold
                color: Theme.white
                elide: Text.ElideRight
                maximumLineCount: 1

                HoverHandler {
                    cursorShape: Qt.PointingHandCursor
                }
                TapHandler {
                    onTapped: card.viewModel.openAlbum(card.index)
                }
            }
            Row {
                width: parent.width
                spacing: 0

                Label {
                    id: artistLabel

                    objectName: "featuredArtist"
                    width: Math.min(implicitWidth, parent.width - yearLabel.width)
                    visible: card.artist.length > 0
                    text: card.artist
                    textFormat: Text.PlainText
                    font.pixelSize: Theme.body
                    font.underline: card.hasArtistLink && artistHover.hovered
                    color: Theme.alpha(Theme.white, 0.85)
                    elide: Text.ElideRight
                    maximumLineCount: 1

                    HoverHandler {
                        id: artistHover

                        enabled: card.hasArtistLink
                        cursorShape: Qt.PointingHandCursor
                    }
                    TapHandler {
                        enabled: card.hasArtistLink
                        onTapped: card.viewModel.openArtist(card.index)
                    }
                }
                Label {
                    id: yearLabel

                    visible: card.year.length > 0
                    text: card.artist.length > 0 ? " · " + card.year : card.year
                    textFormat: Text.PlainText
                    font.pixelSize: Theme.body
                    color: Theme.alpha(Theme.white, 0.85)
                }
            }
            Item {
                width: 1
                height: 14
            }
            Row {
                spacing: 10

                PillButton {
                    objectName: "featuredPlay"
                    text: qsTr("Play")
                    symbol: "play.fill"
                    tint: card.viewModel.playFill
                    foreground: card.viewModel.playLabel
                    onClicked: card.viewModel.play(card.index, false)
                }
                PillButton {
                    objectName: "featuredShuffle"
                    text: qsTr("Shuffle")
                    symbol: "shuffle"
                    tint: Theme.white
                    soft: true
                    onClicked: card.viewModel.play(card.index, true)
                }
            }
        }
    }
}
