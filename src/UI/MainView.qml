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

    // What the "New Playlist…" command opens while this window is active.
    readonly property NewPlaylistAction newPlaylistAction: NewPlaylistAction {
        onTriggered: newPlaylistDialog.open()
    }

    // A double click in the sidebar, on a row or on empty space, takes the
    // detail column back to its root page; the list still gets the clicks.
    // The monitor tests window coordinates, so it is given the sidebar's
    // bottom-right corner in the window.
    SidebarDoubleClickMonitor {
        id: sidebarClicks
        objectName: "sidebarClicks"
        sidebarItem: sidebar
        sidebarSize: {
            void [sidebar.x, sidebar.y, sidebar.width, sidebar.height, root.x, root.y]
            const corner = sidebar.mapToItem(null, sidebar.width, sidebar.height)
            return Qt.size(Math.max(0, corner.x), Math.max(0, corner.y))
        }
        onDoubleClicked: {
            if (root.navigation.depth > 0)
                root.navigation.popTo(0)
        }
    }

    // How long a failure notice without a retry stays; tests shorten it.
    property int bannerAutoDismissInterval: 6000

    // Space toggles play and pause while a song is loaded; otherwise the key
    // travels on. Text fields take their own spaces first.
    Keys.onSpacePressed: event => event.accepted = root.viewModel.handleSpace()

    // A press anywhere outside the text field being typed in (a sidebar row,
    // a page, the toolbar) takes the keyboard back from it, so the space bar
    // plays and pauses again.
    TextFocusReleaser {
        id: textFocus
        area: root
    }

    // Another window or program taking over closes the search dropdown.
    readonly property bool windowActive: Window.active
    onWindowActiveChanged: root.viewModel.search.windowActiveChanged(windowActive)

    SplitView {
        id: split
        anchors.fill: parent
        orientation: Qt.Horizontal

        // A hairline that is easy to grab: the pointer finds it a few points
        // either side of the line.
        handle: Rectangle {
            id: splitHandle
            implicitWidth: 1
            color: Theme.separator
            containmentMask: Item {
                x: (splitHandle.width - width) / 2
                width: 8
                height: split.height
            }
        }

        Sidebar {
            id: sidebar
            SplitView.minimumWidth: 180
            SplitView.preferredWidth: 210
            SplitView.maximumWidth: 280
            model: root.viewModel.sidebar
            library: root.viewModel.library
            downloads: root.viewModel.downloads
            accent: root.navigation.windowAccent.valid ? root.navigation.windowAccent : Theme.clear
            onNewPlaylist: newPlaylistDialog.open()
            onRenamePlaylist: (id, name) => renameDialog.open(id, name)
            onDeletePlaylist: id => root.viewModel.deletePlaylist(id)
        }

        Pane {
            id: detail
            SplitView.fillWidth: true
            padding: 0

            background: Rectangle {
                color: Theme.content
                AccentGradient {
                    objectName: "windowAccent"
                    width: parent.width
                    accent: root.navigation.windowAccent.valid ? root.navigation.windowAccent : Theme.clear
                }
            }

            ColumnLayout {
                anchors.fill: parent
                spacing: 0

                // Fixed height: the back control and the page title come and
                // go without moving the page below.
                ToolBar {
                    objectName: "toolbar"
                    Layout.fillWidth: true
                    Layout.preferredHeight: Theme.toolbarHeight
                    implicitHeight: Theme.toolbarHeight
                    padding: 0
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
                        anchors.leftMargin: 10
                        anchors.rightMargin: 12
                        spacing: 6

                        IconButton {
                            objectName: "backButton"
                            visible: root.navigation.depth > 0
                            symbol: "chevron.left"
                            symbolSize: 22
                            tint: Theme.label
                            text: "Back"
                            onClicked: root.navigation.popTo(root.navigation.depth - 1)
                        }
                        Text {
                            objectName: "pageTitle"
                            Layout.fillWidth: true
                            Layout.leftMargin: root.navigation.depth > 0 ? 0 : 6
                            text: stack.currentItem && stack.currentItem.title !== undefined ? stack.currentItem.title : ""
                            textFormat: Text.PlainText
                            elide: Text.ElideRight
                            font.pixelSize: Theme.title3
                            font.weight: Font.DemiBold
                            color: Theme.label
                        }
                        SearchField {
                            id: searchField
                            objectName: "searchField"
                            Layout.preferredWidth: 240
                            text: root.navigation.searchText
                            onTextEdited: root.navigation.searchText = text
                            // The dropdown takes Return and the arrows only
                            // from this field, so dialogs keep their keys.
                            Keys.onPressed: event => event.accepted = root.viewModel.search.handleKey(event.key)
                            onActiveFocusChanged: root.viewModel.search.fieldFocusChanged(activeFocus)

                            SearchPanel {
                                controller: root.viewModel.search
                            }
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

    // Where the detail column starts: the bar and the notice centre over it,
    // and slide along while the divider is dragged.
    property real detailLeft: split.x + detail.x
    Behavior on detailLeft {
        enabled: split.resizing
        NumberAnimation { duration: 250; easing.type: Easing.InOutQuad }
    }

    // Floats over the pages at the foot of the detail column; the pages
    // leave its height free at their end.
    Loader {
        x: root.detailLeft
        y: root.height - height
        width: root.width - root.detailLeft
        height: item ? item.implicitHeight : 0
        active: root.viewModel.nowPlaying !== null
        sourceComponent: NowPlayingBar {
            objectName: "nowPlayingBar"
            maxBarWidth: 860
            model: root.viewModel.nowPlaying
        }
    }

    // Floats over the top of the detail column's pages, under the toolbar.
    ConnectionBanner {
        x: root.detailLeft
        y: Theme.toolbarHeight
        width: root.width - root.detailLeft
        // It slides in from under the toolbar, not over it.
        clip: true
        viewModel: ConnectionBannerViewModel {
            objectName: "connectionBannerModel"
            library: root.viewModel.library
            downloads: root.viewModel.downloads
            tracker: root.viewModel.serverUnavailableTracker
            autoDismissInterval: root.bannerAutoDismissInterval
        }
    }

    // The dialogs are built the first time they are needed.
    Loader {
        id: newPlaylistDialog
        active: false
        sourceComponent: AlertDialog {
            id: dialog
            objectName: "newPlaylistDialog"
            width: 320
            title: "New Playlist"
            acceptText: "Create"
            rejectText: "Cancel"

            InputField {
                id: newPlaylistField
                width: parent.width
                placeholderText: "Name"
                onAccepted: dialog.accept()
            }

            onOpened: newPlaylistField.forceActiveFocus()
            onAccepted: {
                const name = newPlaylistField.text
                newPlaylistField.text = ""
                root.viewModel.createPlaylist(name)
            }
            onRejected: newPlaylistField.text = ""
        }

        function open() {
            active = true
            item.open()
        }
    }

    Loader {
        id: renameDialog
        active: false
        sourceComponent: AlertDialog {
            id: dialog
            objectName: "renamePlaylistDialog"
            property string playlistId
            property alias name: renameField.text

            width: 320
            title: "Rename Playlist"
            acceptText: "Rename"
            rejectText: "Cancel"

            InputField {
                id: renameField
                width: parent.width
                placeholderText: "Name"
                onAccepted: dialog.accept()
            }

            onOpened: {
                renameField.forceActiveFocus()
                renameField.selectAll()
            }
            onAccepted: root.viewModel.renamePlaylist(playlistId, renameField.text)
        }

        function open(playlistId, name) {
            active = true
            item.playlistId = playlistId
            item.name = name
            item.open()
        }
    }

    // The page at `level` (0: the root page), built through the page table.
    function pushLevel(level, operation) {
        const entry = root.viewModel.createPage(level)
        const page = stack.push(entry.source, { context: entry.context, viewModel: entry.viewModel }, operation)
        root.viewModel.adoptPage(entry.context, page)
    }

    function rebuildStack() {
        stack.clear(StackView.Immediate)
        for (let level = 0; level <= root.navigation.depth; ++level)
            pushLevel(level, StackView.Immediate)
    }

    Connections {
        target: root.navigation
        function onSelectionChanged() { root.rebuildStack() }
        function onPathReset() { root.rebuildStack() }
        function onPushed() { root.pushLevel(root.navigation.depth, StackView.PushTransition) }
        function onPopped(depth) { stack.pop(stack.get(depth), StackView.PopTransition) }
    }

    // The monitors watch the window this view is shown in, once it has one.
    readonly property QtObject hostWindow: Window.window
    onHostWindowChanged: if (hostWindow) {
        sidebarClicks.start(hostWindow)
        textFocus.start(hostWindow)
    }

    Component.onCompleted: {
        rebuildStack()
        if (hostWindow) {
            sidebarClicks.start(hostWindow)
            textFocus.start(hostWindow)
        }
    }
}
