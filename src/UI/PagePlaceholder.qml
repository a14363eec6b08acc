import QtQuick
import QtQuick.Controls
import Lirna.UI

// Stands in for a page that is not built yet: its name and what it shows.
Item {
    property string pageName
    property string title

    objectName: pageName

    Label {
        anchors.centerIn: parent
        text: parent.title.length > 0 ? parent.title : parent.pageName
        textFormat: Text.PlainText
        font.pixelSize: Theme.title2
        color: Theme.secondaryLabel
    }
}
