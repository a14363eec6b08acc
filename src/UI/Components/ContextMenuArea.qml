import QtQuick
import Lirna.UI

// Put over a row (anchors.fill) to open `menu` with `context` on a right
// click. It takes only the right button, so the row's own left-click action
// never runs for a right click, and the right click never reaches the row.
MouseArea {
    id: area

    property ContextMenu menu
    property var context

    acceptedButtons: Qt.RightButton
    onClicked: mouse => {
        if (area.menu)
            area.menu.openFor(area.context)
    }
}
