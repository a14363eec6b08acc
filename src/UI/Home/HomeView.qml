import QtQuick
import QtQuick.Controls
import Lirna.UI

// The home page: the featured carousel above the four album rows, in one
// vertical scroll. While the server is failing and nothing at all is cached,
// the server notice takes the page's place.
Item {
    id: page

    required property PageContext context
    required property HomeViewModel viewModel

    // The window shows it in its toolbar.
    readonly property string title: qsTr("Home")

    objectName: "HomeView"

    ServerUnavailableFallback {
        anchors.fill: parent
        context: page.context
        isEmpty: !(page.context.library && page.context.library.hasCachedContent)

        Flickable {
            id: scroller

            objectName: "homeScroller"
            anchors.fill: parent
            contentWidth: width
            contentHeight: column.height + 48 + page.context.bottomInset
            clip: true
            boundsBehavior: Flickable.StopAtBounds

            ScrollBar.vertical: ScrollBar {
                policy: ScrollBar.AsNeeded
            }

            Column {
                id: column

                y: 24
                width: scroller.width
                spacing: 32

                FeaturedAlbumsCarousel {
                    width: column.width
                    context: page.context
                    viewModel: page.viewModel.featured
                }

                Repeater {
                    model: page.viewModel.rowModels

                    AlbumCarouselRow {
                        required property AlbumCarouselRowModel modelData

                        width: column.width
                        context: page.context
                        viewModel: modelData
                    }
                }
            }
        }
    }

    Component.onCompleted: viewModel.appear()
}
