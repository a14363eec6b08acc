import QtQuick
import QtQuick.Controls
import Lirna.UI

// One artist of the browser's list: the round picture and the name. A click
// selects it (a Ctrl click on the selected row clears the selection); the
// right button opens the row's menu.
Item {
    id: row

    required property int index
    required property string name
    required property string coverArt
    required property bool selected
    property ContextMenu menu

    signal clicked(int modifiers)

    objectName: "artistRow"
    height: 48

    HoverHandler {
        id: hover
    }

    Rectangle {
        anchors.fill: parent
        anchors.leftMargin: 8
        anchors.rightMargin: 8
        radius: 6
        color: row.selected ? Theme.selection : hover.hovered ? Theme.hover : Theme.clear
    }

    ArtworkView {
        id: picture

        x: 16
        anchors.verticalCenter: parent.verticalCenter
        width: 44
        height: 44
        coverArt: row.coverArt
        requestSize: 44
        cornerRadius: 22
    }

    Label {
        objectName: "artistRowName"
        anchors.left: picture.right
        anchors.leftMargin: 12
        anchors.right: parent.right
        anchors.rightMargin: 16
        anchors.verticalCenter: parent.verticalCenter
        text: row.name
        textFormat: Text.PlainText
        elide: Text.ElideRight
        maximumLineCount: 1
        font.pixelSize: Theme.body
        color: Theme.label
    }

    // The separator starts under the name, not under the picture.
    Rectangle {
        x: picture.x + 44 + 12
        anchors.bottom: parent.bottom
        width: parent.width - x - 8
        height: 1
        color: Theme.separator
        visible: !row.selected
    }

    MouseArea {
        anchors.fill: parent
        acceptedButtons: Qt.LeftButton
        onClicked: mouse => row.clicked(mouse.modifiers)
    }

    ContextMenuArea {
        anchors.fill: parent
        menu: row.menu
        context: row.index
    }
}
