import QtQuick
import QtQuick.Controls
import Lirna.UI

// Link-like text of the bar: underlined while the pointer is over it, with
// the pointing hand and a tooltip.
AbstractButton {
    id: link

    property string help
    property color textColor: Theme.label
    property int pixelSize: 12
    property int weight: Font.Normal

    focusPolicy: Qt.NoFocus
    hoverEnabled: true
    padding: 0
    implicitWidth: label.implicitWidth
    implicitHeight: label.implicitHeight
    background: null
    contentItem: Text {
        id: label
        text: link.text
        textFormat: Text.PlainText
        elide: Text.ElideRight
        maximumLineCount: 1
        color: link.textColor
        font.pixelSize: link.pixelSize
        font.weight: link.weight
        font.underline: link.hovered
    }

    HoverHandler {
        cursorShape: Qt.PointingHandCursor
    }

    ToolTip.visible: hovered && help.length > 0
    ToolTip.text: help
    Accessible.name: text
}
