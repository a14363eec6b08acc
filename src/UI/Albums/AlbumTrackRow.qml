import QtQuick
import QtQuick.Controls
import Lirna.UI

// One track of the album page: the number (or the playing marker, or a play
// glyph under the pointer), the title and, at the trailing edge, the
// duration. A release selects the row (also after a drag, wherever it ends),
// a double click plays it. Everything it shows comes from the track list's
// roles; actions go back to the page through the signals.
Item {
    id: row

    required property int index
    required property string title
    required property string track
    required property string duration
    required property bool current
    required property bool selected
    required property bool lastInDisc
    property bool isPlaying: false
    property ContextMenu menu

    signal selectRequested()
    signal playRequested()

    readonly property bool hovering: hover.hovered
    readonly property color titleColor: selected ? Theme.white : current ? Theme.accent : Theme.label
    readonly property color secondaryColor: selected ? Theme.alpha(Theme.white, 0.8) : Theme.secondaryLabel

    implicitHeight: 13 + Math.max(titleText.implicitHeight, 18) + 13 + (lastInDisc ? 0 : 1)

    Accessible.role: Accessible.Button
    Accessible.name: title
    Accessible.selected: selected
    Accessible.onPressAction: row.playRequested()

    HoverHandler { id: hover }

    Rectangle {
        id: background
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.top: parent.top
        height: parent.height - (row.lastInDisc ? 0 : 1)
        radius: 6
        color: row.selected ? Theme.accent : row.hovering ? Theme.alpha(Theme.label, 0.06) : Theme.clear
    }

    MouseArea {
        anchors.fill: parent
        acceptedButtons: Qt.LeftButton
        // A press dragged up or down stays the row's, so the list does not
        // take it over for scrolling: its release selects the row.
        preventStealing: true
        onReleased: row.selectRequested()
        onDoubleClicked: row.playRequested()
    }

    ContextMenuArea {
        anchors.fill: parent
        menu: row.menu
        context: row.index
    }

    Row {
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.leftMargin: 12
        anchors.rightMargin: 12
        anchors.verticalCenter: background.verticalCenter
        spacing: 14

        Item {
            id: status
            objectName: "trackStatus"
            width: 26
            height: 18
            anchors.verticalCenter: parent.verticalCenter
            Icon {
                anchors.centerIn: parent
                visible: row.hovering
                name: "play.fill"
                size: 16
                font.weight: Font.DemiBold
                color: row.selected ? Theme.white : Theme.label
            }
            Icon {
                objectName: "playingMarker"
                anchors.centerIn: parent
                visible: !row.hovering && row.current
                name: row.isPlaying ? "speaker.wave.2.fill" : "speaker.fill"
                size: 16
                color: row.selected ? Theme.white : Theme.accent
            }
            Text {
                anchors.centerIn: parent
                visible: !row.hovering && !row.current
                text: row.track
                textFormat: Text.PlainText
                font.pixelSize: Theme.body
                font.family: "DejaVu Sans"
                color: row.secondaryColor
            }
        }

        // The title takes the room the duration leaves, which keeps the
        // duration at the trailing edge.
        Text {
            id: titleText
            objectName: "trackTitle"
            anchors.verticalCenter: parent.verticalCenter
            width: parent.width - status.width - durationText.width - 2 * parent.spacing
            text: row.title
            textFormat: Text.PlainText
            elide: Text.ElideRight
            maximumLineCount: 1
            font.pixelSize: Theme.body
            color: row.titleColor
        }

        Text {
            id: durationText
            anchors.verticalCenter: parent.verticalCenter
            text: row.duration
            textFormat: Text.PlainText
            font.pixelSize: Theme.body
            font.family: "DejaVu Sans"
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
        visible: !row.lastInDisc
        color: Theme.separator
    }
}
