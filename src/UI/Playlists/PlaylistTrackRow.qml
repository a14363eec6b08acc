import QtQuick
import Lirna.UI

// One row of the playlist page: position (or the play / now-playing glyph),
// cover, title and artist, duration, and the divider to the next row. The
// left button (click, double click, drag) is the list's: it keeps the
// pointer when a drag carries the row past the rows that are built; the row
// shows hover and opens its menu on a right click.
Item {
    id: row

    required property int index
    required property string title
    required property string artist
    required property string coverArt
    required property string duration
    required property int number
    required property bool selected
    required property bool current
    required property bool dragging

    readonly property int rowIndex: index
    // The engine plays (the current row shows the sounding speaker).
    property bool playing: false
    // No divider after the last row.
    property bool last: false
    property ContextMenu contextMenu

    readonly property bool hovering: hover.hovered
    readonly property color secondaryColor: selected ? Theme.alpha(Theme.white, 0.8) : Theme.secondaryLabel

    // The screen reader's press plays the row, as a double click does.
    signal play()

    Accessible.role: Accessible.Button
    Accessible.name: title
    Accessible.selected: selected
    Accessible.onPressAction: row.play()

    implicitHeight: 49
    height: implicitHeight
    opacity: dragging ? 0.6 : 1

    // The dragged row moves away under a still pointer: it shows no hover.
    HoverHandler {
        id: hover
        enabled: !row.dragging
    }

    Rectangle {
        id: background
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.top: parent.top
        height: 48
        radius: 6
        color: row.selected ? Theme.accent : (row.hovering ? Theme.hover : Theme.clear)
    }

    Row {
        anchors.fill: background
        anchors.leftMargin: 12
        anchors.rightMargin: 12
        spacing: 14

        Item {
            width: 26
            height: parent.height
            Text {
                anchors.centerIn: parent
                visible: !row.hovering && !row.current
                text: row.number
                textFormat: Text.PlainText
                font.pixelSize: Theme.callout
                color: row.secondaryColor
            }
            Icon {
                anchors.centerIn: parent
                visible: row.hovering || row.current
                name: row.hovering ? "play.fill" : (row.playing ? "speaker.wave.2.fill" : "speaker.fill")
                size: 13
                color: row.selected ? Theme.white : (row.hovering ? Theme.label : Theme.accent)
            }
        }

        ArtworkView {
            anchors.verticalCenter: parent.verticalCenter
            width: 32
            height: 32
            coverArt: row.coverArt
            requestSize: 32
            cornerRadius: 4
        }

        Column {
            anchors.verticalCenter: parent.verticalCenter
            width: parent.width - 26 - 32 - durationText.width - 3 * 14
            spacing: 1
            Text {
                width: parent.width
                text: row.title
                textFormat: Text.PlainText
                elide: Text.ElideRight
                maximumLineCount: 1
                font.pixelSize: Theme.callout
                color: row.selected ? Theme.white : (row.current ? Theme.accent : Theme.label)
            }
            Text {
                width: parent.width
                visible: row.artist !== ""
                text: row.artist
                textFormat: Text.PlainText
                elide: Text.ElideRight
                maximumLineCount: 1
                font.pixelSize: Theme.caption
                color: row.secondaryColor
            }
        }

        Text {
            id: durationText
            anchors.verticalCenter: parent.verticalCenter
            text: row.duration
            textFormat: Text.PlainText
            font.pixelSize: Theme.callout
            color: row.secondaryColor
        }
    }

    Rectangle {
        anchors.bottom: parent.bottom
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.leftMargin: 12
        anchors.rightMargin: 12
        height: 1
        visible: !row.last
        color: Theme.separator
    }

    ContextMenuArea {
        anchors.fill: parent
        menu: row.contextMenu
        context: row.index
    }
}
