import QtQuick
import QtQuick.Controls
import Lirna.UI

// One album tile: the cover (a click opens the album, a drag carries it), the
// name and the artist below; while the pointer is over the tile the cover
// grows a little, its shadow deepens and the play button shows. The tile
// reads its album from the model's roles and sends actions back by row.
Item {
    id: cell

    required property AlbumCollectionViewModel viewModel
    required property int index
    required property string albumId
    required property string name
    required property string artist
    required property bool hasArtistLink
    required property string coverArt
    property ContextMenu menu
    property real artworkSize: 220

    readonly property bool hovering: hover.hovered
    readonly property alias coverItem: coverArea

    // A right press, before the menu opens on its release: a view that
    // builds its menu on first use builds it here.
    signal menuPressed()

    implicitHeight: cover.height + 8 + textBlock.height
    z: coverArea.drag.active ? 1 : 0
    objectName: "albumCell"

    HoverHandler {
        id: hover
    }

    // The menu's items are set for this album on the press, so they are in
    // place before the menu shows.
    ContextMenuArea {
        anchors.fill: parent
        menu: cell.menu
        context: cell.index
        onPressed: {
            cell.menuPressed()
            cell.viewModel.prepareMenu(cell.index)
        }
    }

    Item {
        id: cover

        width: cell.width
        height: width
        scale: cell.hovering ? 1.02 : 1.0
        Behavior on scale { NumberAnimation { duration: 150; easing.type: Easing.OutQuad } }

        Rectangle {
            // The shadow under the cover, deeper while hovering.
            anchors.fill: parent
            anchors.topMargin: 2
            anchors.bottomMargin: cell.hovering ? -3 : -2
            anchors.leftMargin: cell.hovering ? -1 : 0
            anchors.rightMargin: cell.hovering ? -1 : 0
            radius: 7
            color: Theme.alpha(Theme.black, cell.hovering ? 0.25 : 0.12)
        }

        ArtworkView {
            id: artwork

            anchors.fill: parent
            coverArt: cell.coverArt
            requestSize: cell.artworkSize
            cornerRadius: 6
        }

        MouseArea {
            id: coverArea

            objectName: "albumCover"
            anchors.fill: parent
            acceptedButtons: Qt.LeftButton
            cursorShape: Qt.PointingHandCursor
            drag.target: dragProxy
            drag.threshold: 6
            onClicked: cell.viewModel.openAlbum(cell.index)
            onReleased: dragProxy.Drag.drop()
        }

        Item {
            id: dragProxy

            objectName: "albumDragSource"
            readonly property bool dragging: Drag.active
            readonly property var dragMimeData: Drag.mimeData
            readonly property var dragKeys: Drag.keys
            width: 110
            height: 110
            Drag.active: coverArea.drag.active
            Drag.dragType: Drag.Internal
            Drag.keys: [DragPayload.albumFormat]
            Drag.mimeData: coverArea.drag.active ? cell.viewModel.dragData(cell.index) : ({})
            Drag.hotSpot.x: 55
            Drag.hotSpot.y: 55
            Drag.source: dragProxy
            // Back under the cover when a drag ends.
            Drag.onActiveChanged: if (!Drag.active) { x = 0; y = 0 }

            // The drag preview: the cover (a memory cache hit once it has
            // shown) or the placeholder note. While dragging it is drawn in
            // the window's overlay, above the sidebar it is dragged to,
            // instead of being clipped by the grid.
            ArtworkView {
                readonly property point origin: {
                    dragProxy.x
                    dragProxy.y
                    return dragProxy.mapToItem(parent, 0, 0)
                }

                objectName: "albumDragPreview"
                parent: dragProxy.Drag.active ? dragProxy.Overlay.overlay : dragProxy
                x: origin.x
                y: origin.y
                width: dragProxy.width
                height: dragProxy.height
                visible: dragProxy.Drag.active
                coverArt: dragProxy.Drag.active ? cell.coverArt : ""
                requestSize: cell.artworkSize
                cornerRadius: 6
            }
        }

        // A running or failed download of the album, or its offline mark.
        // The song-by-song state does not matter here.
        DownloadStatusBadge {
            objectName: "albumDownloadBadge"
            anchors.top: parent.top
            anchors.right: parent.right
            anchors.margins: 8
            size: 18
            shadowed: true
            downloads: cell.viewModel.downloads
            albumId: cell.albumId
        }

        Rectangle {
            id: playButton

            objectName: "albumPlayButton"
            anchors.left: parent.left
            anchors.bottom: parent.bottom
            anchors.margins: 10
            width: 34
            height: 34
            radius: 17
            color: Theme.alpha(Theme.black, 0.55)
            opacity: cell.hovering ? 1 : 0
            visible: opacity > 0
            Behavior on opacity { NumberAnimation { duration: 150; easing.type: Easing.OutQuad } }

            Icon {
                anchors.centerIn: parent
                name: "play.fill"
                size: 16
                color: Theme.white
            }
            MouseArea {
                anchors.fill: parent
                cursorShape: Qt.PointingHandCursor
                onClicked: cell.viewModel.play(cell.index, false)
            }
            ToolTip.visible: playHover.hovered
            ToolTip.delay: 700
            ToolTip.text: qsTr("Play %1").arg(cell.name)
            HoverHandler {
                id: playHover
            }
            Accessible.role: Accessible.Button
            Accessible.name: qsTr("Play %1").arg(cell.name)
        }
    }

    Column {
        id: textBlock

        anchors.top: cover.bottom
        anchors.topMargin: 8
        width: cell.width
        spacing: 2

        Label {
            width: parent.width
            text: cell.name
            textFormat: Text.PlainText
            font.pixelSize: Theme.callout
            font.weight: Font.Medium
            color: Theme.label
            elide: Text.ElideRight
            maximumLineCount: 1
        }
        Label {
            id: artistLabel

            objectName: "albumArtist"
            width: Math.min(implicitWidth, parent.width)
            visible: cell.artist.length > 0
            text: cell.artist
            textFormat: Text.PlainText
            font.pixelSize: Theme.callout
            font.underline: cell.hasArtistLink && artistHover.hovered
            color: Theme.secondaryLabel
            elide: Text.ElideRight
            maximumLineCount: 1

            HoverHandler {
                id: artistHover
                enabled: cell.hasArtistLink
                cursorShape: Qt.PointingHandCursor
            }
            TapHandler {
                enabled: cell.hasArtistLink
                onTapped: cell.viewModel.openArtist(cell.index)
            }
        }
    }
}
