import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Lirna.UI

// The sidebar: the fixed entries, "Presets" and the server's playlists.
Pane {
    id: root

    required property SidebarModel model
    property color accent: "transparent"

    signal newPlaylist()
    signal renamePlaylist(string id, string name)
    signal deletePlaylist(string id)

    objectName: "Sidebar"
    padding: 0

    background: Rectangle {
        color: Theme.window
        Rectangle {
            anchors.fill: parent
            color: root.accent
            opacity: 0.12
        }
    }

    ListView {
        id: list
        objectName: "sidebarList"
        anchors.fill: parent
        anchors.topMargin: 8
        clip: true
        model: root.model
        boundsBehavior: Flickable.StopAtBounds
        ScrollBar.vertical: ScrollBar {}

        delegate: Loader {
            id: row
            required property int index
            required property string kind
            required property string title
            required property string icon
            required property bool selected
            required property string playlistId
            required property int header

            width: ListView.view.width
            sourceComponent: kind === "header" ? headerRow : entryRow

            Component {
                id: headerRow
                RowLayout {
                    height: 30
                    spacing: 4
                    Label {
                        Layout.leftMargin: 14
                        Layout.topMargin: 8
                        Layout.fillWidth: true
                        text: row.title
                        font.pixelSize: Theme.subheadline
                        font.weight: Font.DemiBold
                        color: Theme.secondaryLabel
                    }
                    ToolButton {
                        objectName: "newPlaylistButton"
                        Layout.topMargin: 8
                        Layout.rightMargin: 4
                        visible: row.header === SidebarModel.PlaylistsHeader
                        focusPolicy: Qt.NoFocus
                        padding: 6
                        contentItem: Icon { name: "plus"; size: 16; color: Theme.secondaryLabel }
                        Accessible.name: "New Playlist"
                        ToolTip.visible: hovered
                        ToolTip.text: "New Playlist"
                        onClicked: root.newPlaylist()
                    }
                }
            }

            Component {
                id: entryRow
                ItemDelegate {
                    height: 28
                    focusPolicy: Qt.NoFocus
                    highlighted: row.selected
                    leftPadding: 14
                    Accessible.name: row.title
                    background: Rectangle {
                        anchors.fill: parent
                        anchors.leftMargin: 6
                        anchors.rightMargin: 6
                        radius: 5
                        color: row.selected ? Theme.accent : (parent.hovered ? Theme.separator : "transparent")
                        opacity: row.selected ? 0.35 : 1
                    }
                    contentItem: RowLayout {
                        spacing: 8
                        Icon {
                            Layout.preferredWidth: 18
                            name: row.icon
                            size: 16
                            color: Theme.accent
                        }
                        Label {
                            Layout.fillWidth: true
                            text: row.title
                            textFormat: Text.PlainText
                            elide: Text.ElideRight
                            font.pixelSize: Theme.body
                        }
                    }
                    // Activation by keyboard or accessibility.
                    onClicked: root.model.activate(row.index)

                    // The control would take a right press as a click too: the
                    // mouse goes through this area, where a right click on a
                    // playlist only opens its menu and never selects it.
                    MouseArea {
                        anchors.fill: parent
                        acceptedButtons: row.kind === "playlist" ? Qt.LeftButton | Qt.RightButton : Qt.LeftButton
                        onClicked: mouse => {
                            if (mouse.button === Qt.RightButton)
                                playlistMenu.popup(mouse.x, mouse.y)
                            else
                                root.model.activate(row.index)
                        }
                    }

                    Menu {
                        id: playlistMenu
                        MenuItem {
                            text: "Rename…"
                            onTriggered: root.renamePlaylist(row.playlistId, row.title)
                        }
                        MenuSeparator {}
                        MenuItem {
                            text: "Delete Playlist…"
                            palette.windowText: Theme.destructive
                            palette.buttonText: Theme.destructive
                            onTriggered: root.deletePlaylist(row.playlistId)
                        }
                    }
                }
            }
        }
    }
}
