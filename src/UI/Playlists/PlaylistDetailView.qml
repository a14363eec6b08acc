import QtQuick
import QtQuick.Controls
import Lirna.UI

// The playlist page: header (collage, name, counts, actions) above the rows,
// all one list that builds only the rows in sight. The left button on the
// rows belongs to one area over the whole list: a click selects, a double
// click plays, a press moved past the drag distance drags the row, and the
// view model moves it and saves the order. While a row is dragged the list
// still scrolls to the wheel, and by itself while the pointer is held near
// its top or bottom edge.
Item {
    id: page
    objectName: "PlaylistDetailView"

    required property PageContext context
    required property PlaylistDetailViewModel viewModel

    readonly property real columnWidth: Math.min(800, width - 72)
    readonly property real columnX: Math.max(36, (width - columnWidth) / 2)
    readonly property bool showsRows: page.viewModel.errorMessage === "" && page.viewModel.tracks.count > 0

    // The rows take the keyboard as soon as there are rows, so the arrows
    // and Return work without a click first.
    function focusRows() {
        if (page.context.isOnTop && page.showsRows)
            rows.forceActiveFocus()
    }

    Rectangle {
        anchors.fill: parent
        color: Theme.content
    }

    ListView {
        id: rows
        objectName: "playlistRows"
        anchors.fill: parent
        clip: true
        topMargin: 32
        bottomMargin: 32 + page.context.bottomInset
        // Only the rows in sight are built, so their covers load first.
        cacheBuffer: 0
        keyNavigationEnabled: false
        activeFocusOnTab: true
        focus: true
        boundsBehavior: Flickable.StopAtBounds
        model: page.viewModel.errorMessage === "" ? page.viewModel.tracks : null
        ScrollBar.vertical: ScrollBar { policy: ScrollBar.AsNeeded }

        Keys.onUpPressed: event => {
            page.viewModel.moveSelection(-1)
            event.accepted = true
        }
        Keys.onDownPressed: event => {
            page.viewModel.moveSelection(1)
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

        header: PlaylistDetailHeader {
            width: rows.width
            columnX: page.columnX
            columnWidth: page.columnWidth
            context: page.context
            viewModel: page.viewModel
            menu: actionsMenu
        }

        delegate: PlaylistTrackRow {
            x: page.columnX
            width: page.columnWidth
            last: index === rows.count - 1
            contextMenu: rowMenu
            playing: page.context.player ? page.context.player.isPlaying : false
            onPlay: page.viewModel.playRow(rowIndex)
        }
    }

    // The left button over the rows. A press beside the rows goes on to
    // what lies below (the header's buttons, the list's own scrolling).
    MouseArea {
        id: pointer
        objectName: "playlistRowPointer"
        x: rows.x
        y: rows.y
        width: rows.width - 14 // the scroll bar stays the list's
        height: rows.height - page.context.bottomInset
        acceptedButtons: Qt.LeftButton
        preventStealing: true

        property int pressedRow: -1
        property real pressY: 0
        property bool dragging: false
        // The press became a drag: its release is no click.
        property bool moved: false
        property int hovered: -1
        property string draggedTitle: ""

        // The row under a point of this area, built or not yet in sight.
        function rowAt(px, py) {
            return rows.indexAt(px + rows.contentX, py + rows.contentY)
        }

        // Moves the dragged row onto the row under the pointer.
        function track() {
            const target = rowAt(pointer.mouseX, pointer.mouseY)
            if (target >= 0 && target !== pointer.hovered) {
                pointer.hovered = target
                page.viewModel.moveDraggedRow(target)
            }
        }

        function finish(dropped) {
            pointer.dragging = false
            pointer.hovered = -1
            if (dropped)
                page.viewModel.dropDragged()
            else
                page.viewModel.endDrag()
        }

        onPressed: mouse => {
            pressedRow = rowAt(mouse.x, mouse.y)
            if (pressedRow < 0) {
                mouse.accepted = false
                return
            }
            pressY = mouse.y
            dragging = false
            moved = false
        }
        onPositionChanged: mouse => {
            if (!pressed || pressedRow < 0)
                return
            if (!dragging && Math.abs(mouse.y - pressY) >= Qt.styleHints.startDragDistance) {
                dragging = true
                moved = true
                hovered = pressedRow
                const item = rows.itemAtIndex(pressedRow)
                draggedTitle = item ? item.title : ""
                page.viewModel.beginDrag(pressedRow)
            }
            if (dragging)
                track()
        }
        onReleased: mouse => {
            if (dragging)
                finish(rowAt(mouse.x, mouse.y) >= 0)
        }
        onCanceled: {
            if (dragging)
                finish(false)
        }
        onClicked: mouse => {
            if (moved || pressedRow < 0)
                return
            page.viewModel.selectRow(pressedRow)
            rows.forceActiveFocus()
        }
        onDoubleClicked: mouse => {
            const row = rowAt(mouse.x, mouse.y)
            if (row >= 0)
                page.viewModel.playRow(row)
        }

        // Held near an edge, the list scrolls, faster the nearer the edge.
        Timer {
            objectName: "edgeScroll"
            interval: 16
            repeat: true
            running: pointer.dragging
            onTriggered: {
                const zone = 48
                const y = pointer.mouseY
                let step = 0
                if (y < zone)
                    step = -Math.ceil((zone - Math.max(0, y)) / 4)
                else if (y > pointer.height - zone)
                    step = Math.ceil((y - (pointer.height - zone)) / 4)
                if (step === 0)
                    return
                const top = rows.originY - rows.topMargin
                const bottom = Math.max(top, rows.originY + rows.contentHeight + rows.bottomMargin - rows.height)
                rows.contentY = Math.max(top, Math.min(bottom, rows.contentY + step))
            }
        }

        // The list scrolled under a still pointer (wheel, edge): the row
        // beneath changed.
        Connections {
            target: rows
            function onContentYChanged() {
                if (pointer.dragging)
                    pointer.track()
            }
        }
    }

    // What the pointer carries while a row is dragged: its title on the
    // material.
    Rectangle {
        objectName: "dragPreview"
        visible: pointer.dragging
        x: Math.min(pointer.mouseX + 12, page.width - width - 4)
        y: pointer.mouseY + 8
        width: Math.min(previewText.implicitWidth + 20, 320)
        height: previewText.implicitHeight + 12
        radius: 6
        color: Theme.floatingMaterial
        border.width: 1
        border.color: Theme.separator
        Text {
            id: previewText
            anchors.centerIn: parent
            width: parent.width - 20
            text: pointer.draggedTitle
            textFormat: Text.PlainText
            elide: Text.ElideRight
            maximumLineCount: 1
            font.pixelSize: Theme.callout
            color: Theme.label
        }
    }

    Connections {
        target: page.viewModel
        function onRevealRow(row) {
            rows.positionViewAtIndex(row, ListView.Contain)
        }
    }

    onShowsRowsChanged: focusRows()
    Component.onCompleted: focusRows()
    Connections {
        target: page.context
        function onIsOnTopChanged() {
            page.focusRows()
        }
    }

    ContextMenu {
        id: actionsMenu
        objectName: "actionsMenu"
        MenuEntry { text: "Play Next"; onTriggered: page.viewModel.playNext() }
        MenuEntry { text: "Play Last"; onTriggered: page.viewModel.playLast() }
        MenuDivider {}
        DownloadMenuItems {
            menu: actionsMenu
            insertIndex: 3
            model: DownloadMenuModel {
                downloads: page.context.downloads
                playlistId: page.viewModel.playlistId
                playlistName: page.viewModel.sourceName
                songIds: page.viewModel.songIds
            }
        }
        MenuDivider {}
        MenuEntry {
            objectName: "renameEntry"
            text: "Rename…"
            onTriggered: {
                renameField.text = page.viewModel.name
                renameDialog.open()
            }
        }
        MenuEntry {
            objectName: "deleteEntry"
            text: "Delete Playlist…"
            destructive: true
            onTriggered: deleteDialog.open()
        }
    }

    // Opened on a row with its index as the context; the view model keeps
    // the row's entry, and the items act on that entry wherever it is at the
    // click (a reload may land while the menu is open).
    ContextMenu {
        id: rowMenu
        objectName: "rowMenu"
        onAboutToShow: page.viewModel.prepareRowMenu(rowMenu.context)
        MenuEntry { text: "Play Next"; onTriggered: page.viewModel.menuPlayNext() }
        MenuEntry { text: "Play Last"; onTriggered: page.viewModel.menuPlayLast() }
        MenuDivider {}
        LikeMenuItem {
            like: page.viewModel.rowLike
        }
        AddToPlaylistMenu {
            objectName: "rowPlaylistMenu"
            playlists: page.viewModel.rowPlaylists
        }
        MenuDivider {}
        MenuEntry {
            objectName: "removeEntry"
            text: "Remove from Playlist"
            destructive: true
            enabled: !page.viewModel.isLocalOrder
            onTriggered: page.viewModel.menuRemove()
        }
    }

    AlertDialog {
        id: renameDialog
        objectName: "renameDialog"
        title: "Rename Playlist"
        acceptText: "Rename"
        rejectText: "Cancel"
        InputField {
            id: renameField
            objectName: "renameField"
            width: parent.width
            placeholderText: "Name"
            onAccepted: renameDialog.accept()
        }
        // Typing replaces the name at once; Escape closes the dialog as
        // "Cancel" does.
        onOpened: {
            renameField.forceActiveFocus()
            renameField.selectAll()
        }
        onAccepted: page.viewModel.rename(renameField.text)
    }

    AlertDialog {
        id: deleteDialog
        objectName: "deleteDialog"
        title: "Delete “" + page.viewModel.sourceName + "”?"
        acceptText: "Delete Playlist"
        rejectText: "Cancel"
        destructive: true
        Text {
            text: "This removes the playlist from your server."
            textFormat: Text.PlainText
            color: Theme.secondaryLabel
            font.pixelSize: Theme.body
        }
        onAccepted: page.viewModel.deletePlaylist()
    }
}
