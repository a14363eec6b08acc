import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Lirna.UI

// The main window's content: the sidebar beside the detail column, whose
// stack mirrors the navigation model.
Item {
    id: root

    required property MainViewModel viewModel
    readonly property NavigationModel navigation: viewModel.navigation

    objectName: "MainView"
    focus: true

    // Space toggles play and pause while a song is loaded; otherwise the key
    // travels on. Text fields take their own spaces first.
    Keys.onSpacePressed: event => event.accepted = root.viewModel.handleSpace()

    SplitView {
        anchors.fill: parent
        orientation: Qt.Horizontal

        Sidebar {
            id: sidebar
            SplitView.minimumWidth: 180
            SplitView.preferredWidth: 210
            SplitView.maximumWidth: 280
            model: root.viewModel.sidebar
            accent: root.navigation.windowAccent.valid ? root.navigation.windowAccent : "transparent"
            onNewPlaylist: newPlaylistDialog.open()
            onRenamePlaylist: (id, name) => {
                renameDialog.playlistId = id
                renameField.text = name
                renameDialog.open()
            }
            onDeletePlaylist: id => root.viewModel.deletePlaylist(id)
        }

        Pane {
            id: detail
            SplitView.fillWidth: true
            padding: 0

            // A click in the detail column takes the keyboard back from the
            // search field, so the space bar plays and pauses again.
            TapHandler {
                onTapped: root.forceActiveFocus()
            }

            background: Rectangle {
                color: Theme.window
                Rectangle {
                    anchors.fill: parent
                    color: root.navigation.windowAccent.valid ? root.navigation.windowAccent : "transparent"
                    opacity: 0.08
                }
            }

            ColumnLayout {
                anchors.fill: parent
                spacing: 0

                ToolBar {
                    Layout.fillWidth: true
                    background: Rectangle {
                        color: Theme.regularMaterial
                        Rectangle {
                            anchors.bottom: parent.bottom
                            width: parent.width
                            height: 1
                            color: Theme.separator
                        }
                    }

                    RowLayout {
                        anchors.fill: parent
                        anchors.leftMargin: 8
                        anchors.rightMargin: 8
                        spacing: 8

                        ToolButton {
                            objectName: "backButton"
                            visible: root.navigation.depth > 0
                            focusPolicy: Qt.NoFocus
                            contentItem: Icon { name: "chevron.left"; size: 20 }
                            Accessible.name: "Back"
                            ToolTip.visible: hovered
                            ToolTip.text: "Back"
                            onClicked: root.navigation.popTo(root.navigation.depth - 1)
                        }
                        Item { Layout.fillWidth: true }
                        TextField {
                            objectName: "searchField"
                            Layout.preferredWidth: 220
                            placeholderText: "Search"
                            text: root.navigation.searchText
                            onTextEdited: root.navigation.searchText = text
                        }
                    }
                }

                StackView {
                    id: stack
                    objectName: "detailStack"
                    Layout.fillWidth: true
                    Layout.fillHeight: true
                    clip: true
                }
            }
        }
    }

    Dialog {
        id: newPlaylistDialog
        objectName: "newPlaylistDialog"
        anchors.centerIn: parent
        width: 300
        modal: true
        title: "New Playlist"
        standardButtons: Dialog.NoButton

        TextField {
            id: newPlaylistField
            width: parent.width
            placeholderText: "Name"
            onAccepted: newPlaylistDialog.accept()
        }

        footer: DialogButtonBox {
            Button { text: "Create"; DialogButtonBox.buttonRole: DialogButtonBox.AcceptRole }
            Button { text: "Cancel"; DialogButtonBox.buttonRole: DialogButtonBox.RejectRole }
        }

        onOpened: newPlaylistField.forceActiveFocus()
        onAccepted: {
            const name = newPlaylistField.text
            newPlaylistField.text = ""
            root.viewModel.createPlaylist(name)
        }
        onRejected: newPlaylistField.text = ""
    }

    Dialog {
        id: renameDialog
        objectName: "renamePlaylistDialog"
        property string playlistId

        anchors.centerIn: parent
        width: 300
        modal: true
        title: "Rename Playlist"

        TextField {
            id: renameField
            width: parent.width
            placeholderText: "Name"
            onAccepted: renameDialog.accept()
        }

        footer: DialogButtonBox {
            Button { text: "Rename"; DialogButtonBox.buttonRole: DialogButtonBox.AcceptRole }
            Button { text: "Cancel"; DialogButtonBox.buttonRole: DialogButtonBox.RejectRole }
        }

        onOpened: renameField.forceActiveFocus()
        onAccepted: root.viewModel.renamePlaylist(playlistId, renameField.text)
    }

    // Bottom space the floating playback bar keeps clear on every page.
    readonly property int playbackBarClearance: 78

    Component { id: homePage; HomeView {} }
    Component { id: artistsPage; ArtistsView {} }
    Component { id: albumGridPage; AlbumGridView {} }
    Component { id: songsPage; SongsView {} }
    Component { id: downloadsPage; DownloadsView {} }
    Component { id: likedSongsPage; LikedSongsView {} }
    Component { id: likedAlbumsPage; LikedAlbumsView {} }
    Component { id: playlistPage; PlaylistDetailView {} }
    Component { id: albumPage; AlbumDetailView {} }
    Component { id: artistPage; ArtistDetailView {} }

    function rootComponent(page) {
        switch (page) {
        case "HomeView": return homePage
        case "ArtistsView": return artistsPage
        case "AlbumGridView": return albumGridPage
        case "SongsView": return songsPage
        case "DownloadsView": return downloadsPage
        case "LikedSongsView": return likedSongsPage
        case "LikedAlbumsView": return likedAlbumsPage
        case "PlaylistDetailView": return playlistPage
        }
        return homePage
    }

    function pushRootPage() {
        const nav = root.navigation
        const page = stack.push(rootComponent(nav.rootPage), {}, StackView.Immediate)
        switch (nav.rootPage) {
        case "HomeView":
            page.isOnScreen = Qt.binding(() => nav.depth === 0)
            page.accent.connect(nav.reportRootAccent)
            page.pushGrid.connect(nav.pushAlbumGrid)
            break
        case "ArtistsView":
            page.accent.connect(nav.reportRootAccent)
            break
        case "AlbumGridView":
            page.listType = nav.rootListType
            page.title = nav.rootTitle
            break
        case "DownloadsView":
            page.openPlaylist.connect(nav.openPlaylist)
            break
        case "PlaylistDetailView":
            page.playlistId = nav.rootPlaylistId
            page.deleted.connect(nav.selectHome)
            break
        }
    }

    function pushPage(index, operation) {
        const nav = root.navigation
        const kind = nav.kindAt(index)
        if (kind === "album") {
            const page = stack.push(albumPage, { album: nav.valueAt(index), title: nav.titleAt(index) }, operation)
            page.accent.connect(nav.reportPageAccent)
        } else if (kind === "artist") {
            const page = stack.push(artistPage, { artist: nav.valueAt(index), title: nav.titleAt(index) }, operation)
            page.accent.connect(nav.reportPageAccent)
        } else {
            stack.push(albumGridPage, { listType: nav.listTypeAt(index), title: nav.titleAt(index) }, operation)
        }
    }

    function rebuildStack() {
        stack.clear(StackView.Immediate)
        pushRootPage()
        for (let i = 0; i < root.navigation.depth; ++i)
            pushPage(i, StackView.Immediate)
    }

    Connections {
        target: root.navigation
        function onSelectionChanged() { root.rebuildStack() }
        function onPathReset() { root.rebuildStack() }
        function onPushed() { root.pushPage(root.navigation.depth - 1, StackView.PushTransition) }
        function onPopped(depth) { stack.pop(stack.get(depth), StackView.PopTransition) }
    }

    Component.onCompleted: rebuildStack()
}
