import QtQuick
import Lirna.UI

// A soft black shadow for a floating capsule: rings that spread a little
// further each and fade out, moved down by `offset`. Give it the capsule's
// geometry and draw it behind the capsule.
Item {
    id: shadow

    property real blur: 18
    property real offset: 8
    property real strength: 0.2
    property real cornerRadius: height / 2

    readonly property int rings: 8

    // As a blur does, the rings reach from half the blur inside the edge to
    // half the blur outside it, so the edge itself is half dark.
    Repeater {
        model: shadow.rings
        Rectangle {
            required property int index
            readonly property real spread: shadow.blur * ((index + 0.5) / shadow.rings - 0.5)
            x: -spread
            y: -spread + shadow.offset
            width: shadow.width + 2 * spread
            height: shadow.height + 2 * spread
            radius: Math.max(0, shadow.cornerRadius + spread)
            // Together the rings reach `strength` under the capsule.
            color: Theme.alpha(Theme.black, 1 - Math.pow(1 - shadow.strength, 1 / shadow.rings))
        }
    }
}
