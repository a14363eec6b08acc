import QtQuick
import Lirna.UI

// The window accent's wash: the accent at 15 % at the top, fading to nothing
// 340 points down. A change of accent fades over 0.4 s; going to or from no
// accent animates only the colour's opacity and keeps its hue, so the wash
// never passes through grey. It never takes clicks.
Item {
    id: root

    // Fully transparent: no accent.
    property color accent: Theme.clear
    // The top stop as drawn, animated.
    property color topColor: Theme.clear

    height: 340
    enabled: false

    function retarget() {
        const has = accent.a > 0
        if (has && topColor.a === 0) {
            // Fading in: start from the new hue at no opacity.
            fade.stop()
            topColor = Qt.rgba(accent.r, accent.g, accent.b, 0)
        }
        fade.to = has ? Qt.rgba(accent.r, accent.g, accent.b, accent.a * 0.15) : Qt.rgba(topColor.r, topColor.g, topColor.b, 0)
        fade.restart()
    }

    onAccentChanged: retarget()
    Component.onCompleted: if (accent.a > 0)
        topColor = Qt.rgba(accent.r, accent.g, accent.b, accent.a * 0.15)

    ColorAnimation {
        id: fade
        target: root
        property: "topColor"
        duration: 400
        easing.type: Easing.OutQuad
    }

    Rectangle {
        anchors.fill: parent
        gradient: Gradient {
            GradientStop { position: 0; color: root.topColor }
            GradientStop { position: 1; color: Qt.rgba(root.topColor.r, root.topColor.g, root.topColor.b, 0) }
        }
    }
}
