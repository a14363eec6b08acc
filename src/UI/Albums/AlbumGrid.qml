import QtQuick
import QtQuick.Controls
import Lirna.UI

// The album grid of a page: as many columns of 170 to 230 points as the width
// allows, 24 apart, rows 28 apart, 24 points of padding; one AlbumCell per row
// of `viewModel.albums`, the album context menu, and a centred notice while
// there is nothing to show.
Item {
    id: root

    required property AlbumCollectionViewModel viewModel
    required property PageContext context
    property int overlay: AlbumCollectionViewModel.None
    property string failedTitle
    property string failedText
    property string emptyTitle
    property string emptySymbol
    property string emptyText
    // False when the grid is part of a page that has its own server notice,
    // or of one that shows its load failure instead.
    property bool serverFallback: true

    readonly property alias grid: grid

    // While the server is failing and there is nothing to show, its notice
    // takes the page's place (and the window's banner stays hidden).
    ServerUnavailableFallback {
        anchors.fill: parent
        context: root.context
        isEmpty: root.serverFallback && root.viewModel.albums.count === 0

        GridView {
            id: grid

            objectName: "albumGrid"
            anchors.fill: parent
            leftMargin: 24
            // The last cell's trailing column gap is the right padding.
            rightMargin: 0
            topMargin: 24
            bottomMargin: 24 + root.context.bottomInset
            clip: true
            // No look-ahead: a tile is made when it scrolls into view, so only
            // the last tile coming on screen asks for the next page.
            cacheBuffer: 0
            boundsBehavior: Flickable.StopAtBounds
            model: root.viewModel.albums

            readonly property real available: Math.max(0, width - 48)
            readonly property int columns: root.viewModel.columnCount(available)
            readonly property real tileWidth: root.viewModel.tileWidth(available)

            // Each cell holds a tile and the column gap after it.
            cellWidth: columns > 0 ? (available + 24) / columns : available
            cellHeight: tileWidth + 8 + 2 * Math.ceil(Theme.callout * 1.35) + 2 + 28

            // A click between the tiles gives the page the keyboard (the window
            // has already taken it from a text field being typed in).
            TapHandler {
                onTapped: root.forceActiveFocus()
            }

            ScrollBar.vertical: ScrollBar {
                policy: ScrollBar.AsNeeded
            }

            delegate: AlbumCell {
                viewModel: root.viewModel
                width: grid.tileWidth
                menu: albumMenu
                Component.onCompleted: root.viewModel.tileAppeared(index)
            }
        }

        Column {
            objectName: "albumGridNotice"
            anchors.centerIn: parent
            anchors.verticalCenterOffset: -root.context.bottomInset / 2
            width: Math.min(root.width - 40, 360)
            spacing: 8
            visible: root.overlay === AlbumCollectionViewModel.Failed
                || root.overlay === AlbumCollectionViewModel.Empty

            Icon {
                anchors.horizontalCenter: parent.horizontalCenter
                name: root.overlay === AlbumCollectionViewModel.Failed ? "exclamationmark.triangle"
                                                                       : root.emptySymbol
                size: 40
                color: Theme.secondaryLabel
            }
            Label {
                objectName: "albumGridNoticeTitle"
                width: parent.width
                horizontalAlignment: Text.AlignHCenter
                text: root.overlay === AlbumCollectionViewModel.Failed ? root.failedTitle : root.emptyTitle
                textFormat: Text.PlainText
                font.pixelSize: Theme.title2
                font.weight: Font.Bold
                color: Theme.label
                wrapMode: Text.Wrap
            }
            Label {
                width: parent.width
                horizontalAlignment: Text.AlignHCenter
                text: root.overlay === AlbumCollectionViewModel.Failed ? root.failedText : root.emptyText
                textFormat: Text.PlainText
                font.pixelSize: Theme.body
                color: Theme.secondaryLabel
                wrapMode: Text.Wrap
            }
        }

        BusyIndicator {
            objectName: "albumGridProgress"
            anchors.centerIn: parent
            anchors.verticalCenterOffset: -root.context.bottomInset / 2
            running: visible
            visible: root.overlay === AlbumCollectionViewModel.Loading
        }
    }

    AlbumMenu {
        id: albumMenu

        viewModel: root.viewModel
    }
}
