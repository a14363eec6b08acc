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
