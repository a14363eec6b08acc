import QtQuick
import QtQuick.Controls
import Lirna.UI
import "ButtonFill.js" as ButtonFill

// A 34-point round button for a single glyph, with the pill's tint, soft and
// neutral looks. Only the disc takes clicks. `text` is the tooltip and the
// accessible name when a symbol is shown; without a symbol it is the label.
//   tint, foreground, soft  as PillButton
//   symbol                  a glyph name from the Symbols table
Button {
    id: control

    property var tint: null
    property var foreground: null
    property bool soft: false
    property string symbol
    readonly property color fillColor: ButtonFill.fill(tint, soft, down, Theme.quaternaryLabel)
    readonly property color labelColor: ButtonFill.label(tint, foreground, soft, Theme.label, Theme.white)

    width: 34
    height: 34
    implicitWidth: 34
    implicitHeight: 34
    padding: 0
    hoverEnabled: true
    // Like the icon buttons they never take the keyboard, so the space bar
    // keeps playing and pausing instead of pressing the button again.
    focusPolicy: Qt.NoFocus
    font.pixelSize: 14
    font.weight: Font.DemiBold

    Accessible.name: text
    ToolTip.visible: hovered && symbol.length > 0 && text.length > 0
    ToolTip.text: text
    ToolTip.delay: 600

    containmentMask: QtObject {
        function contains(point: point): bool {
            const dx = point.x - control.width / 2
            const dy = point.y - control.height / 2
            return dx * dx + dy * dy <= (control.width / 2) * (control.width / 2)
        }
    }

    // A Material glyph needs about 1.3 times the text size to match the
    // height a 14-point symbol has.
    contentItem: Item {
        Icon {
            anchors.centerIn: parent
            visible: control.symbol.length > 0
            name: control.symbol
            size: Math.round(control.font.pixelSize * 1.3)
            color: control.labelColor
        }
        Text {
            anchors.centerIn: parent
            visible: control.symbol.length === 0
            text: control.text
            textFormat: Text.PlainText
            font: control.font
            color: control.labelColor
        }
    }

    background: Rectangle {
        radius: width / 2
        color: control.fillColor
    }
}
