import QtQuick
import QtQuick.Controls
import Lirna.UI

// The standard text button of forms and dialogs: a rounded button with a
// light border, filled with the accent when `highlighted` (the default
// action) or with red when `destructive`. A click leaves the keyboard where
// it was, so the space bar keeps playing and pausing.
Button {
    id: control

    property bool destructive: false

    implicitHeight: Theme.controlHeight
    implicitWidth: Math.max(72, implicitContentWidth + leftPadding + rightPadding)
    leftPadding: 14
    rightPadding: 14
    topPadding: 4
    bottomPadding: 4
    focusPolicy: Qt.NoFocus
    hoverEnabled: true
    font.pixelSize: Theme.body

    readonly property bool filled: highlighted || destructive

    contentItem: Text {
        text: control.text
        textFormat: Text.PlainText
        font: control.font
        color: control.filled ? Theme.white : Theme.label
        opacity: control.enabled ? 1 : 0.45
        horizontalAlignment: Text.AlignHCenter
        verticalAlignment: Text.AlignVCenter
        elide: Text.ElideRight
    }

    background: Rectangle {
        radius: Theme.controlRadius
        color: control.destructive ? Theme.destructive : control.highlighted ? Theme.accent : control.down ? Theme.buttonPressed : Theme.buttonBackground
        opacity: control.filled && !control.enabled ? 0.45 : control.filled && control.down ? 0.85 : 1
        border.width: control.filled ? 0 : 1
        border.color: control.visualFocus ? Theme.focusRing : Theme.fieldBorder
    }
}
