import QtQuick
import Lirna.UI

// One row of the playlist page: position (or the play / now-playing glyph),
// cover, title and artist, duration. A press that moves further than the
// drag threshold drags the row instead of clicking it.
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
    property ContextMenu contextMenu

    Accessible.role: Accessible.Button
    Accessible.name: title
    Accessible.selected: selected

    signal select()
    signal play()
    signal dragStarted()
    signal dragMoved(real y)
    signal dragEnded(real y)

    implicitHeight: 48
    height: implicitHeight
    opacity: dragging ? 0.6 : 1

    Rectangle {
        anchors.fill: parent
        radius: 6
        color: row.selected ? Theme.accent : (area.containsMouse ? Theme.hover : Theme.clear)
    }

    Row {
        anchors.fill: parent
        anchors.leftMargin: 12
        anchors.rightMargin: 12
        spacing: 14

        Item {
            width: 26
            height: parent.height
            Text {
                anchors.centerIn: parent
                visible: !area.containsMouse && !row.current
                text: row.number
                textFormat: Text.PlainText
                font.pixelSize: Theme.callout
                color: row.selected ? Theme.alpha(Theme.white, 0.8) : Theme.secondaryLabel
            }
            Icon {
                anchors.centerIn: parent
                visible: area.containsMouse || row.current
                name: area.containsMouse ? "play.fill" : (row.playing ? "speaker.wave.2.fill" : "speaker.fill")
                size: 13
                color: row.selected ? Theme.white : (area.containsMouse ? Theme.label : Theme.accent)
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
                font.pixelSize: Theme.callout
                color: row.selected ? Theme.white : (row.current ? Theme.accent : Theme.label)
            }
            Text {
                width: parent.width
                visible: row.artist !== ""
                text: row.artist
                textFormat: Text.PlainText
                elide: Text.ElideRight
                font.pixelSize: Theme.caption
                color: row.selected ? Theme.alpha(Theme.white, 0.8) : Theme.secondaryLabel
            }
        }

        Text {
            id: durationText
            anchors.verticalCenter: parent.verticalCenter
            text: row.duration
            textFormat: Text.PlainText
            font.pixelSize: Theme.callout
            color: row.selected ? Theme.alpha(Theme.white, 0.8) : Theme.secondaryLabel
        }
    }

    MouseArea {
        id: area
        anchors.fill: parent
        hoverEnabled: true
        acceptedButtons: Qt.LeftButton
        preventStealing: true

        property real pressY: 0
        property bool moved: false

        onPressed: (mouse) => {
            pressY = mouse.y
            moved = false
        }
        onPositionChanged: (mouse) => {
            if (!pressed)
                return
            if (!moved && Math.abs(mouse.y - pressY) >= Qt.styleHints.startDragDistance) {
                moved = true
                row.dragStarted()
            }
            if (moved)
                row.dragMoved(mouse.y)
        }
        onReleased: (mouse) => {
            if (moved)
                row.dragEnded(mouse.y)
        }
        onCanceled: {
            if (moved)
                row.dragEnded(-1e6)
            moved = false
        }
        onClicked: {
            if (!moved)
                row.select()
        }
        onDoubleClicked: row.play()
    }

    ContextMenuArea {
        anchors.fill: parent
        menu: row.contextMenu
        context: row.index
    }
}
