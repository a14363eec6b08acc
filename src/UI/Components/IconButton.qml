import QtQuick
import QtQuick.Controls
import Lirna.UI

// A borderless glyph button for toolbars and rows. `text` is both its tooltip
// and its accessible name. It never takes the keyboard focus, so the space
// bar keeps reaching the window.
//   symbol      a name from the Symbols table
//   symbolSize  the glyph's size in points
//   tint        the glyph's colour
AbstractButton {
    id: control

    property string symbol
    property real symbolSize: 16
    property color tint: Theme.secondaryLabel

    implicitWidth: 28
    implicitHeight: 28
    focusPolicy: Qt.NoFocus
    hoverEnabled: true
    display: AbstractButton.IconOnly

    Accessible.role: Accessible.Button
    Accessible.name: text
    // A screen reader's press clicks it (Qt Quick's own press action does not
    // reach a button of this kind).
    Accessible.onPressAction: if (control.enabled) control.clicked()
    ToolTip.visible: hovered && text.length > 0
    ToolTip.text: text
    ToolTip.delay: 600

    contentItem: Icon {
        name: control.symbol
        size: control.symbolSize
        color: control.enabled ? control.tint : Theme.tertiaryLabel
    }

    background: Rectangle {
        radius: Theme.controlRadius
        color: control.down ? Theme.buttonPressed : control.hovered ? Theme.hover : Theme.clear
    }
}
