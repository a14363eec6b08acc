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
    background: Rectangle {
        color: Theme.regularMaterial
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
            model: popover.model
            Keys.onDeletePressed: popover.model.removeAt(currentIndex)
            Keys.onBackPressed: popover.model.removeAt(currentIndex)

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

                TapHandler {
                    onTapped: list.currentIndex = row.index
                    onDoubleTapped: popover.model.playRow(row.index)
                }
                TapHandler {
                    acceptedButtons: Qt.RightButton
                    onTapped: rowMenu.popup()
                }
                DragHandler {
                    id: drag
                    target: null
                    xAxis.enabled: false
                    onActiveChanged: {
                        if (active)
                            return
                        const point = row.mapToItem(list.contentItem, 0, drag.centroid.position.y)
                        const to = list.indexAt(10, point.y)
                        if (to >= 0)
                            popover.model.moveRow(row.index, to)
                    }
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
