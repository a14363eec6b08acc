import QtQuick
import QtQuick.Controls
import Lirna.UI

// A rounded single-line text field; its border takes the accent while it has
// the keyboard focus.
TextField {
    id: control

    implicitHeight: Theme.controlHeight
    leftPadding: 9
    rightPadding: 9
    topPadding: 4
    bottomPadding: 4
    font.pixelSize: Theme.body
    color: Theme.label
    placeholderTextColor: Theme.placeholderText
    selectionColor: Theme.selection
    selectedTextColor: Theme.label
    verticalAlignment: TextInput.AlignVCenter

    background: Rectangle {
        radius: Theme.controlRadius
        color: Theme.fieldBackground
        border.width: control.activeFocus ? 2 : 1
        border.color: control.activeFocus ? Theme.focusRing : Theme.fieldBorder
    }
}
