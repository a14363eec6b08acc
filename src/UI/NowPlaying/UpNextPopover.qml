import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Lirna.UI

// The Up Next popover: the songs after the current one, to play at once,
// remove, drag into another order, or clear.
Popup {
    id: popover

    required property UpNextModel model

    width: 320
    padding: 0
    // Kept inside the window when the button sits near its edge.
    margins: 8
    closePolicy: Popup.CloseOnEscape | Popup.CloseOnPressOutside | Popup.CloseOnPressOutsideParent
    // Takes the keyboard while open, so Delete and Backspace reach the list;
    // it goes back where it was on closing.
    focus: true

    // Space was pressed in the popover.
    signal spacePressed()

    // Each opening starts without a selection.
    onAboutToShow: list.currentIndex = -1
    // A row held as the popover closes stays where it was.
    onAboutToHide: model.cancelDrag()

    background: Rectangle {
        objectName: "upNextBackground"
        color: Theme.floatingMaterial
        radius: 10
        border.color: Theme.separator
    }

    contentItem: Column {
        RowLayout {
            width: parent.width
            height: header.implicitHeight + 20
            Text {
                id: header
                Layout.leftMargin: 14
                text: popover.model.title
                textFormat: Text.PlainText
                font.pixelSize: Theme.headline
                font.bold: true
                color: Theme.label
            }
            Item { Layout.fillWidth: true }
            Button {
                objectName: "upNextClear"
                Layout.rightMargin: 14
                visible: !popover.model.isEmpty
                flat: true
                focusPolicy: Qt.NoFocus
                text: popover.model.clearText
                font.pixelSize: Theme.subheadline
                onClicked: popover.model.clear()
            }
        }

        Rectangle {
            width: parent.width
            height: 1
            color: Theme.separator
        }

        Text {
            visible: popover.model.isEmpty
            width: parent.width
            height: 80
            horizontalAlignment: Text.AlignHCenter
            verticalAlignment: Text.AlignVCenter
            text: popover.model.emptyText
            textFormat: Text.PlainText
            font.pixelSize: Theme.callout
            color: Theme.secondaryLabel
        }

        ListView {
            id: list
            objectName: "upNextList"
            visible: !popover.model.isEmpty
            width: parent.width
            height: visible ? Math.max(240, Math.min(320, contentHeight)) : 0
            clip: true
            focus: true
            // Nothing is selected until a row is clicked.
            currentIndex: -1
            // A row being dragged holds the pointer: the list stays put.
            interactive: !dragging
            property bool dragging: false
            // Escape let go of the held row: the pointer, still down, drags
            // nothing more until the next press.
            property bool dragAbandoned: false
            model: popover.model
            // Escape while a row is held cancels the drag, not the popover.
            Keys.onEscapePressed: event => {
                event.accepted = dragging
                if (!dragging)
                    return
                dragAbandoned = true
                dragging = false
                popover.model.cancelDrag()
            }
            Keys.onPressed: event => {
                event.accepted = popover.model.handleKey(event.key, currentIndex)
                if (event.accepted)
                    currentIndex = -1
            }
            // Space stays the window's play and pause while the list has
            // the keyboard.
            Keys.onSpacePressed: popover.spacePressed()

            delegate: Item {
                id: row
                objectName: "upNextRow" + index

                required property int index
                required property string title
                required property string artist
                required property bool hasArtist
                required property string durationText

                width: ListView.view.width
                height: 40
                opacity: pointer.moved && list.dragging ? 0.6 : 1

                Accessible.role: Accessible.Button
                Accessible.name: title
                Accessible.description: artist
                Accessible.selected: list.currentIndex === index
                Accessible.onPressAction: popover.model.playRow(row.index)

                Rectangle {
                    anchors.fill: parent
                    color: Theme.accent
                    opacity: 0.15
                    visible: list.currentIndex === row.index
                }

                RowLayout {
                    anchors.fill: parent
                    anchors.leftMargin: 14
                    anchors.rightMargin: 14
                    spacing: 10
                    Column {
                        Layout.fillWidth: true
                        spacing: 1
                        Text {
                            width: parent.width
                            text: row.title
                            textFormat: Text.PlainText
                            elide: Text.ElideRight
                            font.pixelSize: Theme.callout
                            color: Theme.label
                        }
                        Text {
                            width: parent.width
                            visible: row.hasArtist
                            text: row.artist
                            textFormat: Text.PlainText
                            elide: Text.ElideRight
                            font.pixelSize: Theme.caption
                            color: Theme.secondaryLabel
                        }
                    }
                    Text {
                        text: row.durationText
                        textFormat: Text.PlainText
                        font.pixelSize: Theme.caption
                        color: Theme.tertiaryLabel
                    }
                }

                // A press selects the row; moved past the drag distance it
                // drags the row, which takes its new place among the rows as
                // the pointer passes over them. The queue changes once, when
                // the row is let go; Escape or a lost grab puts it back.
                MouseArea {
                    id: pointer
                    anchors.fill: parent
                    preventStealing: true

                    property real pressY: 0
                    property bool moved: false

                    onPressed: mouse => {
                        pressY = mouse.y
                        moved = false
                        list.dragAbandoned = false
                        list.currentIndex = row.index
                    }
                    onPositionChanged: mouse => {
                        if (list.dragAbandoned)
                            return
                        if (!moved) {
                            if (Math.abs(mouse.y - pressY) < Qt.styleHints.startDragDistance)
                                return
                            moved = true
                            list.dragging = true
                            popover.model.beginDrag(row.index)
                        }
                        const y = mapToItem(list.contentItem, mouse.x, mouse.y).y
                        const to = y < 0 ? 0 : (y >= list.contentHeight ? list.count - 1 : list.indexAt(10, y))
                        if (to >= 0)
                            popover.model.dragTo(to)
                    }
                    onReleased: {
                        if (moved && !list.dragAbandoned)
                            popover.model.dropDragged()
                        finish()
                    }
                    onCanceled: {
                        popover.model.cancelDrag()
                        finish()
                    }
                    onDoubleClicked: popover.model.playRow(row.index)

                    function finish() {
                        moved = false
                        list.dragging = false
                    }
                }
                TapHandler {
                    acceptedButtons: Qt.RightButton
                    onTapped: rowMenu.popup()
                }
                Menu {
                    id: rowMenu
                    MenuItem {
                        text: popover.model.playNowText
                        onTriggered: popover.model.playRow(row.index)
                    }
                    MenuItem {
                        text: popover.model.removeText
                        onTriggered: popover.model.removeAt(row.index)
                    }
                }
            }
        }
    }
}
