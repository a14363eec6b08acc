import QtQuick
import Lirna.UI

// The page of one artist, pushed when an artist is opened.
Item {
    id: page

    required property PageContext context
    required property ArtistPaneViewModel viewModel

    objectName: "ArtistDetailView"

    ArtistPane {
        anchors.fill: parent
        context: page.context
        viewModel: page.viewModel
    }
}
