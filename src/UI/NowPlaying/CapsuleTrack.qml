import QtQuick
import Lirna.UI

// The bar's capsule slider: a groove and its fill. It only reports the
// pointer and the accessibility steps; its owner's view model decides.
Item {
    id: track

    property real progress: 0
    property real thickness: 2
    property string label
    property string valueText
    property bool focusable: false

    // The pointer is down at `x` on a track `width` wide, or moved there.
    signal dragged(real x, real width)
    signal released(real x, real width)
    // The pointer's grab was taken away before the release.
    signal canceled()
    // An accessibility increment (+1) or decrement (-1).
    signal stepped(int direction)

    activeFocusOnTab: focusable && enabled

    Rectangle {
        id: groove
        anchors.verticalCenter: parent.verticalCenter
        width: track.width
        height: track.thickness
        radius: height / 2
        color: Theme.label
        opacity: 0.14
    }

    Rectangle {
        anchors.verticalCenter: parent.verticalCenter
        width: track.width * Math.max(0, Math.min(1, track.progress))
        height: track.thickness
        radius: height / 2
        color: Theme.label
    }

    MouseArea {
        anchors.fill: parent
        enabled: track.enabled
        preventStealing: true
        onPressed: mouse => track.dragged(mouse.x, width)
        onPositionChanged: mouse => track.dragged(mouse.x, width)
        onReleased: mouse => track.released(mouse.x, width)
        onCanceled: track.canceled()
    }

    Accessible.role: Accessible.Slider
    Accessible.name: label
    Accessible.description: valueText
    Accessible.onIncreaseAction: track.stepped(1)
    Accessible.onDecreaseAction: track.stepped(-1)
}
