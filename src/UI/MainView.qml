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
            accent: root.navigation.windowAccent.valid ? root.navigation.windowAccent : Theme.clear
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
                color: Theme.content
                Rectangle {
                    anchors.fill: parent
                    color: root.navigation.windowAccent.valid ? root.navigation.windowAccent : Theme.clear
                    opacity: 0.08
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

    AlertDialog {
        id: newPlaylistDialog
        objectName: "newPlaylistDialog"
        width: 320
        title: "New Playlist"
        acceptText: "Create"
        rejectText: "Cancel"

        InputField {
            id: newPlaylistField
            width: parent.width
            placeholderText: "Name"
            onAccepted: newPlaylistDialog.accept()
        }

        onOpened: newPlaylistField.forceActiveFocus()
        onAccepted: {
            const name = newPlaylistField.text
            newPlaylistField.text = ""
            root.viewModel.createPlaylist(name)
        }
        onRejected: newPlaylistField.text = ""
    }

    AlertDialog {
        id: renameDialog
        objectName: "renamePlaylistDialog"
        property string playlistId

        width: 320
        title: "Rename Playlist"
        acceptText: "Rename"
        rejectText: "Cancel"

        InputField {
            id: renameField
            width: parent.width
            placeholderText: "Name"
            onAccepted: renameDialog.accept()
        }

        onOpened: renameField.forceActiveFocus()
        onAccepted: root.viewModel.renamePlaylist(playlistId, renameField.text)
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

    Component.onCompleted: rebuildStack()
}
