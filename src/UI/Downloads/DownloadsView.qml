import QtQuick
import QtQuick.Controls
import Lirna.UI

// Everything kept on this computer for playing without a connection: the
// downloaded albums, then the downloaded playlists, as tiles in the album
// grid's columns, and the count and space of them all below. It redraws from
// the download manifest; with no downloads it says how to make one.
Item {
    id: page

    required property PageContext context
    required property DownloadsViewModel viewModel

    readonly property string title: qsTr("Downloads")

    objectName: "DownloadsView"

    // One titled section of tiles.
    component Section: Column {
        id: section

        required property string title
        required property DownloadedCollectionListModel model
        required property int columns
        required property real tileWidth

        width: parent.width
        spacing: 28
        visible: model.count > 0

        Label {
            objectName: "downloadsSectionTitle"
            width: parent.width
            bottomPadding: 4
            text: section.title
            textFormat: Text.PlainText
            font.pixelSize: Theme.title3
            font.weight: Font.DemiBold
            color: Theme.label
        }
        Grid {
            columns: section.columns
            columnSpacing: 24
            rowSpacing: 28

            Repeater {
                model: section.model
                delegate: DownloadedCollectionCell {
                    width: section.tileWidth
                    viewModel: page.viewModel
                    menu: collectionMenu
                }
            }
        }
    }

    Flickable {
        id: scroller

        objectName: "downloadsScroller"
        anchors.fill: parent
        visible: !page.viewModel.isEmpty
        contentWidth: width
        contentHeight: content.height + 48 + page.context.bottomInset
        clip: true
        boundsBehavior: Flickable.StopAtBounds

        ScrollBar.vertical: ScrollBar {
            policy: scroller.contentHeight > scroller.height ? ScrollBar.AlwaysOn : ScrollBar.AsNeeded
        }

        // A click between the tiles gives the page the keyboard (the window
        // has already taken it from a text field being typed in).
        TapHandler {
            onTapped: page.forceActiveFocus()
        }

        Column {
            id: content

            readonly property int columns: page.viewModel.columnCount(width)
            readonly property real tileWidth: page.viewModel.tileWidth(width)

            x: 24
            y: 24
            width: Math.max(0, scroller.width - 48)
            spacing: 28

            Section {
                objectName: "albumsSection"
                title: qsTr("Albums")
                model: page.viewModel.albums
                columns: content.columns
                tileWidth: content.tileWidth
            }
            Section {
                objectName: "playlistsSection"
                title: qsTr("Playlists")
                model: page.viewModel.playlists
                columns: content.columns
                tileWidth: content.tileWidth
            }
            Label {
                objectName: "downloadsSummary"
                text: page.viewModel.summary
                textFormat: Text.PlainText
                font.pixelSize: Theme.caption
                color: Theme.secondaryLabel
            }
        }
    }

    Column {
        objectName: "downloadsEmptyState"
        anchors.centerIn: parent
        anchors.verticalCenterOffset: -page.context.bottomInset / 2
        width: Math.min(page.width - 40, 360)
        spacing: 8
        visible: page.viewModel.isEmpty

        Icon {
            anchors.horizontalCenter: parent.horizontalCenter
            name: "arrow.down.circle"
            size: 40
            color: Theme.secondaryLabel
        }
        Label {
            width: parent.width
            horizontalAlignment: Text.AlignHCenter
            text: qsTr("No Downloads")
            textFormat: Text.PlainText
            font.pixelSize: Theme.title2
            font.weight: Font.Bold
            color: Theme.label
            wrapMode: Text.Wrap
        }
        Label {
            width: parent.width
            horizontalAlignment: Text.AlignHCenter
            text: qsTr("Download an album or playlist to keep it on this computer and play it without a connection.")
            textFormat: Text.PlainText
            font.pixelSize: Theme.body
            lineHeightMode: Text.FixedHeight
            lineHeight: Math.ceil(fontMetrics.height) + 5
            color: Theme.secondaryLabel
            wrapMode: Text.Wrap

            FontMetrics {
                id: fontMetrics
                font.pixelSize: Theme.body
            }
        }
    }

    ContextMenu {
        id: collectionMenu

        objectName: "downloadsMenu"

        MenuEntry {
            objectName: "downloadsPlayEntry"
            text: qsTr("Play")
            onTriggered: page.viewModel.play(collectionMenu.context)
        }
        MenuEntry {
            text: qsTr("Shuffle")
            onTriggered: page.viewModel.shuffle(collectionMenu.context)
        }
        MenuDivider {}
        MenuEntry {
            text: qsTr("Play Next")
            onTriggered: page.viewModel.playNext(collectionMenu.context)
        }
        MenuEntry {
            text: qsTr("Play Last")
            onTriggered: page.viewModel.playLast(collectionMenu.context)
        }
        MenuDivider {}
        DestructiveMenuItem {
            objectName: "removeDownloadEntry"
            text: qsTr("Remove Download")
            onTriggered: page.viewModel.removeDownload(collectionMenu.context)
        }
    }
}
