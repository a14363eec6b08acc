import QtQuick
import Lirna.UI

// A symbol by its name, drawn with the Material Icons font.
Text {
    property string name
    property real size: 16

    text: Symbols.glyph(name)
    textFormat: Text.PlainText
    font.family: "Material Icons"
    font.pixelSize: size
    color: Theme.label
    horizontalAlignment: Text.AlignHCenter
    verticalAlignment: Text.AlignVCenter
}
