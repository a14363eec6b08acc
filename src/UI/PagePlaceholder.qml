import QtQuick
import QtQuick.Controls
import Lirna.UI

// Stands in for a page that is not built yet: its name and what it shows.
Item {
    id: page

    required property PageContext context
    required property PagePlaceholderModel viewModel

    objectName: viewModel.pageName

    // It has no content of its own, so a failing server shows the full notice.
    ServerUnavailableFallback {
        anchors.fill: parent
        context: page.context
        isEmpty: true

        Label {
            anchors.centerIn: parent
            anchors.verticalCenterOffset: -page.context.bottomInset / 2
            text: page.viewModel.title.length > 0 ? page.viewModel.title : page.viewModel.pageName
            textFormat: Text.PlainText
            font.pixelSize: Theme.title2
            color: Theme.secondaryLabel
        }
    }
}
