import QtQuick
import QtQuick.Controls
import Lirna.UI

// The speaker button at the end of the bar and the slider that grows out of
// it to the left.
Item {
    id: control

    required property VolumeControlViewModel model
    required property BarFocus barFocus

    implicitWidth: 28
    implicitHeight: 28

    // The button and the slider count as one: the pointer going from one to
    // the other may enter the one before it leaves the other, and the leave
    // must not fold the slider under the pointer.
    readonly property bool hovered: speaker.hovered || sliderHover.hovered
    onHoveredChanged: control.model.setHover(hovered)

    Rectangle {
        id: capsule
        objectName: "volumeCapsule"
        anchors.right: parent.right
        anchors.verticalCenter: parent.verticalCenter
        width: 134
        height: 32
        radius: height / 2
        // It opens over the bar's other buttons, which must not read through.
        color: Theme.floatingMaterial
        opacity: control.model.sliderShown ? 1 : 0
        enabled: control.model.sliderShown
        Accessible.ignored: true
        transform: Scale {
            origin.x: capsule.width
            xScale: control.model.sliderShown ? 1 : 0.6
            Behavior on xScale { NumberAnimation { duration: 180; easing.type: Easing.OutCubic } }
        }
        Behavior on opacity { NumberAnimation { duration: 180; easing.type: Easing.OutCubic } }

        CapsuleShadow {
            anchors.fill: parent
            z: -1
            blur: 10
            offset: 3
        }

        // Only the shown slider counts as hovered: Qt Quick still delivers
        // hover to a disabled item, and the folded capsule lies over the
        // buttons to its left, so the pointer passing over them would open it
        // and their clicks would land on the track.
        HoverHandler {
            id: sliderHover
            enabled: control.model.sliderShown
        }

        CapsuleTrack {
            x: 14
            anchors.verticalCenter: parent.verticalCenter
            width: 84
            height: 16
            progress: control.model.volume
            thickness: 4
            label: control.model.accessibleName
            valueText: control.model.accessibleValue
            onDragged: (x, width) => control.model.dragTo(x, width)
            onReleased: (x, width) => control.model.dragTo(x, width)
        }
    }

    AbstractButton {
        id: speaker
        objectName: "volumeSpeaker"
        anchors.fill: parent
        // Reached by Tab only, so that a click leaves Space to play and pause.
        focusPolicy: Qt.TabFocus
        hoverEnabled: true
        padding: 0
        background: null
        contentItem: Icon {
            name: control.model.symbol
            size: 12
        }
        onClicked: control.model.toggleMute()
        onActiveFocusChanged: {
            if (activeFocus)
                control.barFocus.control = BarFocus.Volume
            else
                control.barFocus.resign(BarFocus.Volume)
        }
        Keys.onPressed: event => event.accepted = control.model.handleKey(event.key)

        ToolTip.visible: hovered
        ToolTip.text: control.model.tooltip
        Accessible.role: Accessible.Slider
        Accessible.name: control.model.accessibleName
        Accessible.description: control.model.accessibleValue + ", " + control.model.accessibleHint
        Accessible.onIncreaseAction: control.model.nudge(1)
        Accessible.onDecreaseAction: control.model.nudge(-1)
    }
}
