import QtQuick
import Lirna.UI

// The liked albums as a grid; a like or unlike anywhere shows at once.
Item {
    id: page

    required property PageContext context
    required property LikedAlbumsViewModel viewModel

    // The window shows it in its toolbar.
    readonly property string title: page.viewModel.title

    objectName: "LikedAlbumsView"

    AlbumGrid {
        anchors.fill: parent
        context: page.context
        viewModel: page.viewModel
        overlay: page.viewModel.overlay
        failedTitle: qsTr("Couldn’t Load Liked Albums")
        failedText: page.viewModel.errorMessage
        emptyTitle: qsTr("No Liked Albums")
        emptySymbol: "square.stack"
        emptyText: qsTr("Like an album with the heart on its page or its context menu.")
    }

    Component.onCompleted: viewModel.appear()
}
