import QtQuick
import QtQuick.Controls
import Lirna.UI

// The output button of the bar: there only while the system offers more
// than one output; its menu switches the output.
AbstractButton {
    id: button

    required property AudioOutputButtonViewModel model

    visible: model.isShown
    implicitWidth: 22
    implicitHeight: 24
    focusPolicy: Qt.NoFocus
    hoverEnabled: true
    padding: 0
    background: null
    contentItem: Icon {
        name: button.model.symbol
        size: 13
    }
    onClicked: outputs.popup(0, height)

    ToolTip.visible: hovered
    ToolTip.text: model.tooltip
    Accessible.name: model.tooltip

    Menu {
        id: outputs
        Instantiator {
            model: button.model
            delegate: MenuItem {
                required property int index
                required property var model
                text: model.name
                checkable: true
                checked: model.checked
                onTriggered: {
                    button.model.choose(index)
                    // The menu shows the player's output, not the click.
                    checked = Qt.binding(() => model.checked)
                }
            }
            onObjectAdded: (index, object) => outputs.insertItem(index, object)
            onObjectRemoved: (index, object) => outputs.removeItem(object)
        }
    }
}
