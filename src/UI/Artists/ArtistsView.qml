import QtQuick
import QtQuick.Controls
import Lirna.UI

// Every artist of the library in a flat list on the left, a separator, and
// the selected artist's pane on the right.
Item {
    id: page

    required property PageContext context
    required property ArtistsViewModel viewModel

    // The window shows it in its toolbar.
    readonly property string title: qsTr("Artists")

    objectName: "ArtistsView"

    ServerUnavailableFallback {
        anchors.fill: parent
        context: page.context
        isEmpty: page.viewModel.artists.count === 0

        Item {
            id: listSide

            width: 260
            height: parent.height

            ListView {
                id: list

                objectName: "artistList"
                anchors.fill: parent
                topMargin: 8
                bottomMargin: 8 + page.context.bottomInset
                clip: true
                focus: true
                activeFocusOnTab: true
                boundsBehavior: Flickable.StopAtBounds
                model: page.viewModel.artists
                currentIndex: page.viewModel.selectedRow
                highlightFollowsCurrentItem: false
                // The arrows move the selection through the view model (below).
                keyNavigationEnabled: false
                ScrollBar.vertical: ScrollBar {
                    policy: ScrollBar.AsNeeded
                }

                delegate: ArtistRow {
                    width: list.width
                    selected: index === page.viewModel.selectedRow
                    menu: artistMenu
                    onClicked: modifiers => {
                        list.forceActiveFocus()
                        if ((modifiers & Qt.ControlModifier) && selected)
                            page.viewModel.clearSelection()
                        else
                            page.viewModel.select(index)
                    }
                }

                Keys.onPressed: event => {
                    if (event.key === Qt.Key_Up || event.key === Qt.Key_Down) {
                        const row = page.viewModel.moveSelection(event.key === Qt.Key_Up ? -1 : 1)
                        if (row >= 0)
                            list.positionViewAtIndex(row, ListView.Contain)
                        event.accepted = true
                    }
                }
            }

            BusyIndicator {
                objectName: "artistListProgress"
                anchors.centerIn: parent
                running: visible
                visible: page.viewModel.overlay === AlbumCollectionViewModel.Loading
            }

            ArtistNotice {
                objectName: "artistListNotice"
                anchors.centerIn: parent
                width: parent.width - 32
                visible: page.viewModel.overlay === AlbumCollectionViewModel.Failed
                    || page.viewModel.overlay === AlbumCollectionViewModel.Empty
                symbol: page.viewModel.overlay === AlbumCollectionViewModel.Failed
                    ? "exclamationmark.triangle" : "music.microphone"
                title: page.viewModel.overlay === AlbumCollectionViewModel.Failed
                    ? qsTr("Couldn’t Load Artists") : qsTr("No Artists")
                text: page.viewModel.overlay === AlbumCollectionViewModel.Failed
                    ? page.viewModel.errorMessage : qsTr("Your library doesn’t have any artists yet.")
            }
        }

        Rectangle {
            id: separator

            anchors.left: listSide.right
            width: 1
            height: parent.height
            color: Theme.separator
        }

        Item {
            anchors.left: separator.right
            anchors.right: parent.right
            height: parent.height

            ArtistPane {
                anchors.fill: parent
                visible: page.viewModel.hasSelection
                context: page.context
                viewModel: page.viewModel.pane
            }

            ArtistNotice {
                objectName: "artistPlaceholder"
                anchors.centerIn: parent
                anchors.verticalCenterOffset: -page.context.bottomInset / 2
                width: Math.min(parent.width - 40, 360)
                visible: !page.viewModel.hasSelection
                symbol: "music.microphone"
                title: qsTr("Select an Artist")
                text: qsTr("Choose an artist to see their albums.")
            }
        }
    }

    ContextMenu {
        id: artistMenu

        property bool liked: false

        onAboutToShow: liked = page.viewModel.isLiked(context)

        MenuEntry {
            objectName: "artistPlayItem"
            text: qsTr("Play")
            onTriggered: page.viewModel.play(artistMenu.context, false)
        }
        MenuEntry {
            objectName: "artistShuffleItem"
            text: qsTr("Shuffle")
            onTriggered: page.viewModel.play(artistMenu.context, true)
        }
        MenuDivider {}
        MenuEntry {
            objectName: "artistLikeItem"
            text: artistMenu.liked ? qsTr("Unlike Artist") : qsTr("Like Artist")
            onTriggered: page.viewModel.toggleLike(artistMenu.context)
        }
    }

    Component.onCompleted: viewModel.appear()
    Connections {
        target: page.context
        function onIsOnTopChanged() {
            if (page.context.isOnTop)
                page.viewModel.appear()
            else
                page.viewModel.disappear()
        }
    }
}
