import QtQuick
import QtQuick.Controls
import Lirna.UI

// The page of one album: a centred column (900 wide at most) with the
// header (cover, artist, title, year and length, actions) above the tracks
// grouped by disc. All of it is one list, so keeping the selected track in
// view is a positionViewAtIndex.
Item {
    id: page
    objectName: "AlbumDetailView"

    required property PageContext context
    required property AlbumDetailViewModel viewModel

    readonly property real columnWidth: Math.min(900, width - 72)
    readonly property real columnX: Math.max(36, (width - columnWidth) / 2)

    function focusTracks() {
        tracks.forceActiveFocus()
        Qt.callLater(tracks.forceActiveFocus)
    }

    ListView {
        id: tracks
        objectName: "trackList"
        anchors.fill: parent
        clip: true
        topMargin: 32
        bottomMargin: 32 + page.context.bottomInset
        keyNavigationEnabled: false
        activeFocusOnTab: true
        boundsBehavior: Flickable.StopAtBounds
        model: page.viewModel.tracks
        ScrollBar.vertical: ScrollBar { policy: ScrollBar.AsNeeded }

        Keys.onUpPressed: event => {
            const row = page.viewModel.moveSelection(-1)
            if (row >= 0)
                tracks.positionViewAtIndex(row, ListView.Contain)
            event.accepted = true
        }
        Keys.onDownPressed: event => {
            const row = page.viewModel.moveSelection(1)
            if (row >= 0)
                tracks.positionViewAtIndex(row, ListView.Contain)
            event.accepted = true
        }
        Keys.onReturnPressed: event => {
            page.viewModel.playSelected()
            event.accepted = true
        }
        Keys.onEnterPressed: event => {
            page.viewModel.playSelected()
            event.accepted = true
        }

        header: Item {
            width: tracks.width
            height: headerColumn.implicitHeight + 36
            Column {
                id: headerColumn
                x: page.columnX
                width: page.columnWidth
                spacing: 36

                AlbumDetailHeader {
                    width: parent.width
                    viewModel: page.viewModel
                    downloads: page.context.downloads
                    menu: albumMenu
                }

                Item {
                    objectName: "loadingState"
                    visible: page.viewModel.loading
                    width: parent.width
                    height: visible ? busy.implicitHeight + 80 : 0
                    BusyIndicator {
                        id: busy
                        anchors.centerIn: parent
                        running: parent.visible
                    }
                }

                Column {
                    objectName: "failureState"
                    visible: page.viewModel.errorMessage.length > 0
                    width: parent.width
                    spacing: 8
                    topPadding: 40
                    Icon {
                        anchors.horizontalCenter: parent.horizontalCenter
                        name: "exclamationmark.triangle"
                        size: 40
                        color: Theme.secondaryLabel
                    }
                    Text {
                        width: parent.width
                        horizontalAlignment: Text.AlignHCenter
                        text: qsTr("Couldn’t Load Album")
                        textFormat: Text.PlainText
                        font.pixelSize: Theme.title2
                        font.weight: Font.Bold
                        color: Theme.label
                    }
                    Text {
                        objectName: "failureMessage"
                        width: parent.width
                        horizontalAlignment: Text.AlignHCenter
                        wrapMode: Text.Wrap
                        text: page.viewModel.errorMessage
                        textFormat: Text.PlainText
                        font.pixelSize: Theme.body
                        color: Theme.secondaryLabel
                    }
                }
            }
        }

        section.property: "discSection"
        section.delegate: Item {
            id: discHeader
            required property string section
            width: tracks.width
            height: discLabel.height + 6 + (section === page.viewModel.firstSection ? 0 : 20)
            Row {
                id: discLabel
                objectName: "discHeader"
                x: page.columnX + 12
                anchors.bottom: parent.bottom
                anchors.bottomMargin: 6
                spacing: 6
                Icon {
                    anchors.verticalCenter: parent.verticalCenter
                    name: "opticaldisc"
                    size: Theme.subheadline + 4
                    color: Theme.secondaryLabel
                }
                Text {
                    anchors.verticalCenter: parent.verticalCenter
                    text: qsTr("Disc %1").arg(discHeader.section)
                    textFormat: Text.PlainText
                    font.pixelSize: Theme.subheadline
                    font.weight: Font.DemiBold
                    color: Theme.secondaryLabel
                }
            }
        }

        delegate: AlbumTrackRow {
            x: page.columnX
            width: page.columnWidth
            isPlaying: page.viewModel.isPlaying
            menu: rowMenu
            onSelectRequested: {
                page.viewModel.selectRow(index)
                page.focusTracks()
            }
            onPlayRequested: page.viewModel.playRow(index)
        }
    }

    ContextMenu {
        id: albumMenu
        objectName: "albumMenu"
        MenuEntry {
            text: qsTr("Play Next")
            onTriggered: page.viewModel.playNext()
        }
        MenuEntry {
            text: qsTr("Play Last")
            onTriggered: page.viewModel.playLast()
        }
        MenuDivider {}
        MenuEntry {
            text: page.viewModel.liked ? qsTr("Unlike Album") : qsTr("Like Album")
            onTriggered: page.viewModel.toggleLike()
        }
        DownloadMenuItems {
            menu: albumMenu
            insertIndex: 4
            model: page.viewModel.downloadMenu
        }
    }

    // Opened on a row with its index as the context.
    ContextMenu {
        id: rowMenu
        objectName: "rowMenu"
        onAboutToShow: page.viewModel.prepareRowMenu(rowMenu.context)
        MenuEntry {
            text: qsTr("Play Next")
            onTriggered: page.viewModel.playRowNext(rowMenu.context)
        }
        MenuEntry {
            text: qsTr("Play Last")
            onTriggered: page.viewModel.playRowLast(rowMenu.context)
        }
        MenuDivider {}
        LikeMenuItem {
            like: page.viewModel.rowLike
        }
        AddToPlaylistMenu {
            objectName: "rowPlaylistMenu"
            playlists: page.viewModel.rowPlaylists
        }
    }
}
