import QtQuick
import QtQuick.Controls
import Lirna.UI
import "ButtonFill.js" as ButtonFill

// A capsule around a label (and an optional glyph before it): a solid tinted
// button, a soft one (a faint tint behind a tinted label) or, with no tint,
// a neutral one. Pressing changes only the fill's opacity. The whole capsule,
// padding included, takes clicks; the corners outside it do not.
//   tint        a colour or null: the fill, and the label of a soft button
//   foreground  a colour or null: the label of a solid tinted button (white when null)
//   soft        the soft tinted look; no effect without a tint
//   symbol      an optional glyph name shown before the text
Button {
    id: control

    property var tint: null
    property var foreground: null
    property bool soft: false
    property string symbol
    readonly property color fillColor: ButtonFill.fill(tint, soft, down, Theme.quaternaryLabel)
    readonly property color labelColor: ButtonFill.label(tint, foreground, soft, Theme.label, Theme.white)

    leftPadding: 22
    rightPadding: 22
    topPadding: 9
    bottomPadding: 9
    spacing: 6
    hoverEnabled: true
    // Like the icon buttons they never take the keyboard, so the space bar
    // keeps playing and pausing instead of pressing the button again.
    focusPolicy: Qt.NoFocus
    font.pixelSize: Theme.callout
    font.weight: Font.Medium
    implicitWidth: implicitContentWidth + leftPadding + rightPadding
    implicitHeight: implicitContentHeight + topPadding + bottomPadding

    containmentMask: QtObject {
        function contains(point: point): bool {
            const r = control.height / 2
            if (point.y < 0 || point.y > control.height)
                return false
            const cx = Math.min(Math.max(point.x, r), control.width - r)
            const dx = point.x - cx
            const dy = point.y - r
            return dx * dx + dy * dy <= r * r
        }
    }

    contentItem: Row {
        spacing: control.symbol.length > 0 ? control.spacing : 0
        Icon {
            anchors.verticalCenter: parent.verticalCenter
            visible: control.symbol.length > 0
            name: control.symbol
            size: control.font.pixelSize + 3
            color: control.labelColor
        }
        Text {
            anchors.verticalCenter: parent.verticalCenter
            text: control.text
            textFormat: Text.PlainText
            font: control.font
            color: control.labelColor
        }
    }

    background: Rectangle {
        radius: height / 2
        color: control.fillColor
    }
}
