import QtQuick
import QtQuick.Shapes
import Lirna.UI

// A small determinate circular progress indicator: a faint track and an arc
// from twelve o'clock, clockwise, covering `value` (0 to 1) of the circle.
Item {
    id: root

    property real value: 0
    property real lineWidth: Math.max(1.5, width / 8)
    property color tint: Theme.accent

    implicitWidth: 16
    implicitHeight: 16

    readonly property real radius: (Math.min(width, height) - lineWidth) / 2

    Shape {
        anchors.fill: parent
        antialiasing: true

        ShapePath {
            strokeColor: Theme.quaternaryLabel
            strokeWidth: root.lineWidth
            fillColor: Theme.clear
            PathAngleArc {
                centerX: root.width / 2
                centerY: root.height / 2
                radiusX: root.radius
                radiusY: root.radius
                startAngle: 0
                sweepAngle: 360
            }
        }

        ShapePath {
            strokeColor: root.tint
            strokeWidth: root.lineWidth
            fillColor: Theme.clear
            capStyle: ShapePath.RoundCap
            PathAngleArc {
                centerX: root.width / 2
                centerY: root.height / 2
                radiusX: root.radius
                radiusY: root.radius
                startAngle: -90
                sweepAngle: 360 * Math.max(0, Math.min(1, root.value))
            }
        }
    }
}
