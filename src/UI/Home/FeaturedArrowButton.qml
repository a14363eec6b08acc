import QtQuick
import Lirna.UI

// A round dark paging arrow over a cover or a row of covers; only the circle
// takes clicks.
Item {
    id: button

    property string symbol
    property string text
    property int size: 32

    signal clicked

    width: size
    height: size
    Accessible.role: Accessible.Button
    Accessible.name: text

    Rectangle {
        // The shadow, a little below the circle.
        x: 0
        y: 2
        width: button.size
        height: button.size
        radius: button.size / 2
        color: Theme.alpha(Theme.black, 0.3)
        scale: 1.08
    }
    Rectangle {
        anchors.fill: parent
        radius: button.size / 2
        color: Theme.alpha(Theme.black, 0.6)
    }
    Icon {
        anchors.centerIn: parent
        name: button.symbol
        size: 20
        color: Theme.white
    }
    MouseArea {
        anchors.fill: parent
        cursorShape: Qt.PointingHandCursor
        containmentMask: QtObject {
            function contains(point: point): bool {
                const r = button.size / 2
                const dx = point.x - r
                const dy = point.y - r
                return dx * dx + dy * dy <= r * r
            }
        }
        onClicked: button.clicked()
    }
}
