import QtQuick
import QtQuick.Controls
import Lirna.UI

// One album row of the home page: a header that opens the full grid, then a
// horizontal strip of album cells with round arrows, shown while the pointer
// is over the strip, that page it by whole cards; a sideways wheel or swipe
// moves it too. Without albums the row
// shows a spinner while loading, the header over an error line with "Retry"
// after a failure, and nothing otherwise.
Item {
    id: row

    required property PageContext context
    required property AlbumCarouselRowModel viewModel
    property int cardWidth: 170
    property int cardSpacing: 20
    property int arrowSize: 32
    property int arrowInset: 24
    readonly property int display: viewModel.display
    readonly property alias strip: strip

    objectName: "albumCarouselRow"
    visible: display !== AlbumCarouselRowModel.Hidden
    implicitHeight: visible ? content.height : 0

    Column {
        id: content

        width: parent.width
        spacing: 12

        AbstractButton {
            id: header

            objectName: "rowHeader"
            x: 24
            focusPolicy: Qt.NoFocus
            visible: row.display === AlbumCarouselRowModel.Albums || row.display === AlbumCarouselRowModel.Failed
            hoverEnabled: true
            padding: 0
            Accessible.name: row.viewModel.title
            Accessible.description: qsTr("Show all %1").arg(row.viewModel.title)
            onClicked: row.viewModel.openGrid()

            HoverHandler {
                cursorShape: Qt.PointingHandCursor
            }

            contentItem: Row {
                spacing: 4

                Label {
                    anchors.verticalCenter: parent.verticalCenter
                    text: row.viewModel.title
                    textFormat: Text.PlainText
                    font.pixelSize: Theme.title2
                    font.weight: Font.Bold
                    color: Theme.label
                }
                Icon {
                    anchors.verticalCenter: parent.verticalCenter
                    name: "chevron.right"
                    size: Theme.body * 1.4
                    color: Theme.secondaryLabel
                }
            }
            background: null
        }

        Item {
            objectName: "rowProgress"
            width: row.cardWidth + 48
            height: row.cardWidth
            visible: row.display === AlbumCarouselRowModel.Loading

            BusyIndicator {
                anchors.centerIn: parent
                running: parent.visible
            }
        }

        Row {
            objectName: "rowError"
            x: 24
            width: row.width - 48
            spacing: 8
            visible: row.display === AlbumCarouselRowModel.Failed

            Icon {
                anchors.verticalCenter: parent.verticalCenter
                name: "exclamationmark.triangle"
                size: 16
                color: Theme.secondaryLabel
            }
            Label {
                anchors.verticalCenter: parent.verticalCenter
                width: Math.min(implicitWidth, parent.width - 24 - retry.width - 16)
                text: row.viewModel.errorMessage
                textFormat: Text.PlainText
                font.pixelSize: Theme.callout
                color: Theme.secondaryLabel
                elide: Text.ElideRight
                maximumLineCount: 1
            }
            PushButton {
                id: retry

                objectName: "rowRetry"
                anchors.verticalCenter: parent.verticalCenter
                text: qsTr("Retry")
                font.pixelSize: Theme.callout
                font.weight: Font.Medium
                onClicked: row.viewModel.retry()
            }
        }

        Item {
            id: carousel

            width: row.width
            height: strip.height
            visible: row.display === AlbumCarouselRowModel.Albums

            HoverHandler {
                id: stripHover
            }
            // Sideways wheels and touchpad swipes move the strip; the upright
            // wheel goes on to scroll the page.
            WheelHandler {
                objectName: "rowWheel"
                orientation: Qt.Horizontal
                onWheel: event => {
                    scrollAnimation.stop()
                    strip.contentX = strip.originX + row.viewModel.wheelOffset(event.angleDelta.x,
                        event.pixelDelta.x, strip.offset, strip.contentWidth, strip.width)
                }
            }

            ListView {
                id: strip

                objectName: "rowStrip"
                x: 24
                width: parent.width - 48
                height: row.cardWidth + 8 + 2 * Math.ceil(Theme.callout * 1.35) + 2
                orientation: ListView.Horizontal
                spacing: row.cardSpacing
                // Cards may draw into the margins beside the strip.
                clip: false
                cacheBuffer: row.cardWidth * 2
                boundsBehavior: Flickable.StopAtBounds
                interactive: false
                model: row.viewModel.albums

                readonly property real step: row.cardWidth + row.cardSpacing
                readonly property real offset: contentX - originX

                function page(by) {
                    const target = row.viewModel.pageOffset(by, step, offset, contentWidth, width)
                    if (target < 0)
                        return
                    scrollAnimation.to = originX + target
                    scrollAnimation.restart()
                }

                NumberAnimation {
                    id: scrollAnimation

                    target: strip
                    property: "contentX"
                    duration: 300
                    easing.type: Easing.InOutQuad
                }

                delegate: AlbumCell {
                    viewModel: row.viewModel
                    width: row.cardWidth
                    artworkSize: row.cardWidth
                    menu: albumMenu.item
                    onMenuPressed: albumMenu.active = true
                }
            }

            FeaturedArrowButton {
                objectName: "rowScrollLeft"
                x: row.arrowInset - width / 2
                y: row.cardWidth * 0.5 - height / 2
                size: row.arrowSize
                symbol: "chevron.left"
                text: qsTr("Scroll left")
                opacity: stripHover.hovered && row.viewModel.canScrollLeft(strip.offset) ? 1 : 0
                visible: opacity > 0
                Behavior on opacity { NumberAnimation { duration: 150; easing.type: Easing.InOutQuad } }
                onClicked: strip.page(-1)
            }
            FeaturedArrowButton {
                objectName: "rowScrollRight"
                x: carousel.width - row.arrowInset - width / 2
                y: row.cardWidth * 0.5 - height / 2
                size: row.arrowSize
                symbol: "chevron.right"
                text: qsTr("Scroll right")
                opacity: stripHover.hovered
                    && row.viewModel.canScrollRight(strip.offset, strip.contentWidth, strip.width) ? 1 : 0
                visible: opacity > 0
                Behavior on opacity { NumberAnimation { duration: 150; easing.type: Easing.InOutQuad } }
                onClicked: strip.page(1)
            }
        }
    }

    // The album menu is built on the first right press on a tile: most
    // rows' menus are never opened, and the home page opens with four rows.
    Loader {
        id: albumMenu

        active: false
        sourceComponent: AlbumMenu {
            viewModel: row.viewModel
        }
    }
}
