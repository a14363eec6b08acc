import QtQuick
import QtQuick.Controls
import Lirna.UI

// A thin line between groups of a ContextMenu's items.
MenuSeparator {
    topPadding: 4
    bottomPadding: 4
    leftPadding: 10
    rightPadding: 10
    contentItem: Rectangle {
        implicitHeight: 1
        color: Theme.separator
    }
}
