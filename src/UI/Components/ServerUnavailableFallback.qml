import QtQuick
import Lirna.UI

// Wraps a page's content: while the server cannot be used and the page has
// nothing to show (`isEmpty`, bound by the page), the full-page notice takes
// the content's place and the window's banner stays hidden. Usage:
//
//     ServerUnavailableFallback {
//         anchors.fill: parent
//         context: page.context
//         isEmpty: page.viewModel.count === 0
//         ListView { anchors.fill: parent; ... }
//     }
Item {
    id: root

    required property PageContext context
    property bool isEmpty: false
    readonly property bool showsNotice: fallback.showsNotice
    default property alias content: holder.data

    objectName: "ServerUnavailableFallback"

    ServerUnavailableViewModel {
        id: fallback
        library: root.context.library
        downloads: root.context.downloads
        tracker: root.context.serverUnavailableTracker
        isEmpty: root.isEmpty
        // A page covered by a pushed page stays alive but is not seen.
        pageVisible: root.visible && root.context.isOnTop
    }

    Item {
        id: holder
        anchors.fill: parent
        visible: !fallback.showsNotice
    }

    ServerUnavailableView {
        anchors.fill: parent
        anchors.bottomMargin: root.context.bottomInset
        viewModel: fallback
    }
}
