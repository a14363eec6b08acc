import QtQuick
import QtQuick.Controls
import Lirna.UI

// The dropdown under the toolbar search field: "No Results", or the
// suggestions in their sections. It never takes the keyboard focus, so the
// field keeps it; the field forwards Return, Escape and the arrows to the
// controller. Parent it to the search field.
Popup {
    id: root

    required property SearchDropdownController controller
    readonly property SearchSuggestionsModel suggestions: controller.model

    objectName: "SearchPanel"
    focus: false
    modal: false
    padding: 0
    closePolicy: Popup.CloseOnPressOutside | Popup.CloseOnPressOutsideParent
    // Opened and closed by the controller; a press outside closes it here
    // first, and the controller follows.
    onClosed: controller.dismiss()

    // Right-aligned under the field, as tall as the rows need within the window.
    function place() {
        if (!parent || !parent.Window.window)
            return
        const window = parent.Window.window
        const field = parent.mapToItem(null, 0, 0, parent.width, parent.height)
        const rect = controller.panelGeometry(field, Qt.size(window.width, window.height),
                                              suggestions.contentHeight)
        const origin = parent.mapFromItem(null, rect.x, rect.y)
        x = origin.x
        y = origin.y
        width = rect.width
        height = rect.height
    }

    onAboutToShow: place()
    Connections {
        target: root.controller
        function onIsOpenChanged() {
            if (root.controller.isOpen)
                root.open()
            else
                root.close()
        }
    }
    Connections {
        target: root.suggestions
        function onResultsChanged() {
            root.place()
            list.positionViewAtBeginning()
        }
        function onScrollTickChanged() {
            list.positionViewAtIndex(root.suggestions.highlighted, ListView.Center)
        }
    }

    // The panel floats above the page: a soft shadow that fades out over a
    // few points around it, then the card with its hairline border.
    background: Item {
        Repeater {
            model: 4
            Rectangle {
                required property int index
                readonly property real spread: 1 + 2 * index
                x: -spread
                y: -spread + 3
                width: parent.width + 2 * spread
                height: parent.height + 2 * spread
                radius: 12 + spread
                color: Theme.alpha(Theme.shadow, Theme.shadow.a * (0.55 - 0.12 * index))
            }
        }
        Rectangle {
            anchors.fill: parent
            radius: 12
            color: Theme.popup
            border.width: 1
            border.color: Theme.separator
        }
    }

    // The window moving or resizing moves the field: follow it.
    Connections {
        target: root.parent
        enabled: root.visible
        function onXChanged() { root.place() }
        function onWidthChanged() { root.place() }
    }
    Connections {
        target: root.parent ? root.parent.Window.window : null
        enabled: root.visible
        function onHeightChanged() { root.place() }
        function onWidthChanged() { root.place() }
    }

    contentItem: Item {
        Column {
            objectName: "noResults"
            anchors.centerIn: parent
            width: parent.width - 32
            spacing: 3
            visible: !root.suggestions.hasResults

            Label {
                width: parent.width
                horizontalAlignment: Text.AlignHCenter
                text: "No Results"
                font.pixelSize: 13
                font.weight: Font.DemiBold
                color: Theme.label
            }
            Label {
                width: parent.width
                horizontalAlignment: Text.AlignHCenter
                text: root.suggestions.noMatchesText
                textFormat: Text.PlainText
                font.pixelSize: 11
                color: Theme.secondaryLabel
                elide: Text.ElideRight
                maximumLineCount: 1
            }
        }

        ListView {
            id: list

            objectName: "suggestionList"
            anchors.fill: parent
            visible: root.suggestions.hasResults
            clip: true
            topMargin: 6
            bottomMargin: 6
            boundsBehavior: Flickable.StopAtBounds
            model: root.suggestions
            ScrollBar.vertical: ScrollBar { policy: ScrollBar.AsNeeded }

            section.property: "section"
            section.delegate: Item {
                required property string section

                width: ListView.view.width
                height: 42

                Label {
                    anchors.left: parent.left
                    anchors.leftMargin: 16
                    anchors.bottom: parent.bottom
                    anchors.bottomMargin: 6
                    text: parent.section
                    font.pixelSize: 11
                    font.weight: Font.DemiBold
                    color: Theme.secondaryLabel
                }
            }

            delegate: SearchSuggestionRow {
                width: ListView.view.width
                onActivated: rowId => root.controller.pick(rowId)
                onHovered: rowId => root.suggestions.highlighted = rowId
            }
        }
    }
}
