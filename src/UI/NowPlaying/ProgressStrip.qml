import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Lirna.UI

// The position strip along the bottom of the bar's centre panel. Between the
// engine's position updates the fill glides on by itself while playing; while
// paused nothing runs.
Item {
    id: strip

    required property ProgressStripViewModel model
    required property BarFocus barFocus

    property real shownProgress: 0

    implicitHeight: column.implicitHeight + 4

    function restartAdvance() {
        advance.stop()
        shownProgress = model.progress
        if (!model.isAdvancing)
            return
        advance.from = model.progress
        advance.to = Math.min(1, model.progress + model.progressPerUpdate)
        advance.start()
    }

    NumberAnimation {
        id: advance
        target: strip
        property: "shownProgress"
        duration: strip.model.updateIntervalMs
    }

    Connections {
        target: strip.model
        function onChanged() { strip.restartAdvance() }
        function onAdvancingChanged() { strip.restartAdvance() }
    }

    Connections {
        target: strip.barFocus
        function onControlChanged() {
            if (strip.barFocus.control !== BarFocus.Scrubber && track.activeFocus)
                track.focus = false
        }
    }

    Component.onCompleted: restartAdvance()

    HoverHandler {
        onHoveredChanged: strip.model.isHovering = hovered
    }

    Column {
        id: column
        width: parent.width
        spacing: 2

        RowLayout {
            width: parent.width
            spacing: 8
            visible: opacity > 0
            opacity: strip.model.isActive ? 1 : 0
            Behavior on opacity { NumberAnimation { duration: 180; easing.type: Easing.OutCubic } }

            Text {
                text: strip.model.elapsedText
                Accessible.role: Accessible.StaticText
                Accessible.name: text
                textFormat: Text.PlainText
                font.pixelSize: 10
                font.weight: Font.Medium
                color: Theme.label
            }
            Item { Layout.fillWidth: true }
            AbstractButton {
                id: trailing
                focusPolicy: Qt.NoFocus
                padding: 0
                background: null
                implicitWidth: trailingText.implicitWidth
                implicitHeight: trailingText.implicitHeight
                contentItem: Text {
                    id: trailingText
                    text: strip.model.trailingText
                    textFormat: Text.PlainText
                    font.pixelSize: 10
                    font.weight: Font.Medium
                    color: Theme.label
                }
                onClicked: strip.model.toggleShowTotalTime()
                ToolTip.visible: hovered
                ToolTip.text: strip.model.trailingTooltip
            }
        }

        CapsuleTrack {
            id: track
            objectName: "progressTrack"
            width: parent.width
            height: 11
            progress: strip.shownProgress
            thickness: strip.model.thickness
            enabled: strip.model.isEnabled
            focusable: true
            label: strip.model.accessibleName
            valueText: strip.model.accessibleValue
            Behavior on thickness { NumberAnimation { duration: 180; easing.type: Easing.OutCubic } }

            onDragged: (x, width) => strip.model.dragMoved(x, width)
            onReleased: (x, width) => strip.model.dragEnded(x, width)
            onCanceled: strip.model.dragCancelled()
            onStepped: direction => strip.model.adjust(direction)
            Keys.onPressed: event => event.accepted = strip.model.handleKey(event.key)
            onActiveFocusChanged: {
                if (activeFocus)
                    strip.barFocus.control = BarFocus.Scrubber
                else
                    strip.barFocus.resign(BarFocus.Scrubber)
            }
        }
    }
}
