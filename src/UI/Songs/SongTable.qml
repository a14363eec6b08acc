import QtQuick
import QtQuick.Controls
import Lirna.UI

// The song table both song pages show: four sortable columns over the view
// model's table model, Ctrl/Shift selection by mouse and arrow keys, the
// current-song marker, the context menu and the overlay for loading, failure
// and an empty list.
// `menu` is the page's own context menu; it reads the rows from the view
// model (prepareMenu), never from here.
Item {
    id: root

    required property PageContext context
    required property SongTableViewModel viewModel
    property ContextMenu menu

    readonly property int rowHeight: 24
    readonly property int timeWidth: 60

    objectName: "songTable"

    Rectangle {
        anchors.fill: parent
        color: Theme.content
    }

    HorizontalHeaderView {
        id: header
        objectName: "songTableHeader"
        syncView: table
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.top: parent.top
        clip: true
        delegate: Rectangle {
            id: headerCell
            required property int column
            required property var display
            objectName: "songHeader" + column
            implicitHeight: 26
            color: Theme.content
            Text {
                anchors.left: parent.left
                anchors.leftMargin: 8
                anchors.right: arrow.left
                anchors.verticalCenter: parent.verticalCenter
                text: headerCell.display
                textFormat: Text.PlainText
                font.pixelSize: Theme.callout
                font.weight: Font.DemiBold
                color: Theme.secondaryLabel
                elide: Text.ElideRight
            }
            Icon {
                id: arrow
                anchors.right: parent.right
                anchors.rightMargin: 6
                anchors.verticalCenter: parent.verticalCenter
                visible: root.viewModel.model.sortColumn === headerCell.column
                name: root.viewModel.model.sortAscending ? "chevron.up" : "chevron.down"
                size: 9
                color: Theme.secondaryLabel
            }
            Rectangle {
                anchors.bottom: parent.bottom
                width: parent.width
                height: 1
                color: Theme.separator
            }
            MouseArea {
                anchors.fill: parent
                onClicked: root.viewModel.headerClicked(headerCell.column)
            }
        }
    }

    // A right click beside the rows opens the menu over no rows.
    ContextMenuArea {
        anchors.fill: table
        menu: root.menu
        context: -1
        onPressed: root.viewModel.prepareMenu(-1)
    }

    TableView {
        id: table
        objectName: "songTableView"
        anchors.top: header.bottom
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        bottomMargin: root.context.bottomInset
        clip: true
        focus: true
        boundsBehavior: Flickable.StopAtBounds
        model: root.viewModel.model
        columnWidthProvider: column => {
            const rest = Math.max(0, table.width - root.timeWidth)
            return column === 3 ? root.timeWidth : column === 0 ? Math.floor(rest * 0.4) : Math.floor(rest * 0.3)
        }
        rowHeightProvider: () => root.rowHeight
        onWidthChanged: forceLayout()
        ScrollBar.vertical: ScrollBar {}

        Keys.onUpPressed: event => {
            const row = root.viewModel.moveSelection(-1, event.modifiers)
            if (row >= 0)
                table.positionViewAtRow(row, TableView.Contain)
            event.accepted = true
        }
        Keys.onDownPressed: event => {
            const row = root.viewModel.moveSelection(1, event.modifiers)
            if (row >= 0)
                table.positionViewAtRow(row, TableView.Contain)
            event.accepted = true
        }
        Keys.onReturnPressed: event => {
            root.viewModel.playSelection()
            event.accepted = true
        }
        Keys.onEnterPressed: event => {
            root.viewModel.playSelection()
            event.accepted = true
        }

        delegate: Rectangle {
            id: cell
            required property int row
            required property int column
            required property var display
            required property bool rowSelected
            required property string marker

            objectName: "songCell_" + row + "_" + column
            implicitHeight: root.rowHeight
            color: rowSelected ? Theme.selection : row % 2 === 1 ? Theme.alpha(Theme.label, 0.03) : Theme.clear

            Row {
                anchors.left: parent.left
                anchors.leftMargin: 8
                anchors.right: parent.right
                anchors.rightMargin: 8
                anchors.verticalCenter: parent.verticalCenter
                spacing: 8
                Icon {
                    id: markerIcon
                    visible: cell.column === 0 && cell.marker !== ""
                    name: cell.marker
                    size: 10
                    color: Theme.accent
                    anchors.verticalCenter: parent.verticalCenter
                }
                Text {
                    width: parent.width - (markerIcon.visible ? markerIcon.width + 8 : 0)
                    anchors.verticalCenter: parent.verticalCenter
                    text: cell.display
                    // Read out by assistive technology as it is shown.
                    Accessible.role: Accessible.StaticText
                    Accessible.name: text
                    textFormat: Text.PlainText
                    font.pixelSize: Theme.body
                    horizontalAlignment: cell.column === 3 ? Text.AlignRight : Text.AlignLeft
                    color: cell.column === 3 ? Theme.secondaryLabel : Theme.label
                    elide: Text.ElideRight
                }
            }
            MouseArea {
                anchors.fill: parent
                onClicked: mouse => {
                    table.forceActiveFocus()
                    root.viewModel.rowClicked(cell.row, mouse.modifiers)
                }
                onDoubleClicked: root.viewModel.activate(cell.row)
            }
            ContextMenuArea {
                anchors.fill: parent
                menu: root.menu
                context: cell.row
                onPressed: root.viewModel.prepareMenu(cell.row)
            }
        }

        Connections {
            target: root.viewModel.model
            // The full table starts afresh on a new sort: back to the top.
            function onSortOrderChanged() {
                if (!root.viewModel.liked)
                    table.positionViewAtRow(0, TableView.AlignTop)
            }
        }
    }

    Item {
        objectName: "songTableOverlay"
        anchors.fill: table
        visible: root.viewModel.overlay !== SongTableViewModel.NoOverlay

        BusyIndicator {
            objectName: "songTableProgress"
            anchors.centerIn: parent
            running: root.viewModel.overlay === SongTableViewModel.Loading
            visible: running
        }
        Column {
            anchors.centerIn: parent
            width: Math.min(parent.width - 40, 420)
            spacing: 8
            visible: root.viewModel.overlay === SongTableViewModel.Failed
                || root.viewModel.overlay === SongTableViewModel.Empty
            Icon {
                anchors.horizontalCenter: parent.horizontalCenter
                name: root.viewModel.overlaySymbol
                size: 40
                color: Theme.secondaryLabel
            }
            Text {
                objectName: "songTableOverlayTitle"
                width: parent.width
                horizontalAlignment: Text.AlignHCenter
                text: root.viewModel.overlayTitle
                Accessible.role: Accessible.Heading
                Accessible.name: text
                textFormat: Text.PlainText
                font.pixelSize: Theme.title2
                font.weight: Font.Bold
                color: Theme.label
                wrapMode: Text.Wrap
            }
            Text {
                objectName: "songTableOverlayText"
                width: parent.width
                horizontalAlignment: Text.AlignHCenter
                text: root.viewModel.overlayText
                textFormat: Text.PlainText
                font.pixelSize: Theme.body
                color: Theme.secondaryLabel
                wrapMode: Text.Wrap
            }
        }
    }
}
