import QtQuick
import Lirna.UI

// One server ordering of the albums as a grid that grows page by page.
Item {
    id: page

    required property PageContext context
    required property AlbumGridViewModel viewModel

    // The window shows it in its toolbar.
    readonly property string title: page.viewModel.title

    objectName: "AlbumGridView"

    AlbumGrid {
        anchors.fill: parent
        context: page.context
        viewModel: page.viewModel
        overlay: page.viewModel.overlay
        failedTitle: qsTr("Couldn’t Load Albums")
        failedText: page.viewModel.errorMessage
        emptyTitle: qsTr("No Albums")
        emptySymbol: "square.grid.2x2"
        emptyText: qsTr("Your library doesn’t have any albums yet.")
    }

    Component.onCompleted: viewModel.appear()
    Connections {
        target: page.context
        function onIsOnTopChanged() {
            if (page.context.isOnTop)
                page.viewModel.appear()
        }
    }
}
