import QtQuick
import QtQuick.Controls
import Lirna.UI

// The toolbar's search field: a magnifying glass before the text and a clear
// button after it while there is text. Clearing counts as an edit
// (`textEdited` fires), so whoever follows the edits sees the empty text.
InputField {
    id: control

    leftPadding: 28
    rightPadding: text.length > 0 ? 28 : 9
    placeholderText: "Search"
    Accessible.name: placeholderText

    Icon {
        anchors.left: parent.left
        anchors.leftMargin: 8
        anchors.verticalCenter: parent.verticalCenter
        name: "magnifyingglass"
        size: 16
        color: Theme.secondaryLabel
    }

    IconButton {
        objectName: "searchClearButton"
        anchors.right: parent.right
        anchors.rightMargin: 3
        anchors.verticalCenter: parent.verticalCenter
        width: 22
        height: 22
        visible: control.text.length > 0
        symbol: "xmark.circle.fill"
        symbolSize: 15
        tint: Theme.tertiaryLabel
        text: "Clear"
        background: null
        onClicked: {
            control.clear()
            control.textEdited()
        }
    }
}
