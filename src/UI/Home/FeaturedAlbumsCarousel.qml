import QtQuick
import QtQuick.Controls
import Lirna.UI

// The featured albums: one wide card at a time over a blurred copy of its
// cover, with "Play" and "Shuffle", paging arrows while the pointer is over
// the card and a dot per album. Cards cross-fade as the index changes. A
// placeholder with a spinner shows until the first load ends; after a load
// with no album the carousel takes no room.
Item {
    id: root

    required property PageContext context
    required property FeaturedCarouselViewModel viewModel
    readonly property int artSize: 148
    readonly property bool showsCard: viewModel.display === FeaturedCarouselViewModel.Card

    objectName: "featuredCarousel"
    visible: viewModel.display !== FeaturedCarouselViewModel.Hidden
    implicitHeight: visible ? artSize + 48 : 0

    // The advance stops while the window is hidden or minimised.
    Binding {
        target: root.viewModel
        property: "windowShown"
        value: root.Window.visibility !== Window.Hidden && root.Window.visibility !== Window.Minimized
    }

    Rectangle {
        objectName: "featuredPlaceholder"
        anchors.fill: parent
        anchors.leftMargin: 24
        anchors.rightMargin: 24
        visible: root.viewModel.display === FeaturedCarouselViewModel.Placeholder
        radius: 16
        color: Theme.alpha(Theme.quaternaryLabel, 0.5 * Theme.quaternaryLabel.a)

        BusyIndicator {
            anchors.centerIn: parent
            running: parent.visible
        }
    }

    Item {
        id: card

        objectName: "featuredCard"
        anchors.fill: parent
        anchors.leftMargin: 24
        anchors.rightMargin: 24
        visible: root.showsCard

        HoverHandler {
            id: cardHover

            onHoveredChanged: root.viewModel.hovering = hovered
        }

        BackdropImage {
            id: backdrop

            anchors.fill: parent
            radius: 16
            baseColor: Theme.dark ? Theme.mix(Theme.window, Theme.black, 0.35) : Theme.mix(Theme.window, Theme.black, 0.12)
            image: root.viewModel.backdrop
        }

        // Without a cover yet, the palette's accent as a gradient.
        Rectangle {
            anchors.fill: parent
            radius: 16
            visible: !backdrop.hasImage && root.viewModel.hasPalette
            gradient: Gradient {
                GradientStop { position: 0; color: Theme.alpha(root.viewModel.accent, 0.65) }
                GradientStop { position: 1; color: Theme.alpha(root.viewModel.accent, 0.3) }
            }
        }

        Rectangle {
            anchors.fill: parent
            radius: 16
            color: Theme.black
            opacity: root.viewModel.scrim
            Behavior on opacity { NumberAnimation { duration: 300; easing.type: Easing.OutQuad } }
        }

        Repeater {
            model: root.viewModel.albums

            FeaturedAlbumCard {
                anchors.fill: parent
                viewModel: root.viewModel
                artSize: root.artSize
                current: index === root.viewModel.index
            }
        }

        Row {
            id: arrows

            anchors.fill: parent
            anchors.leftMargin: 12
            anchors.rightMargin: 12
            visible: opacity > 0
            opacity: cardHover.hovered && root.viewModel.count >= 2 ? 1 : 0
            Behavior on opacity { NumberAnimation { duration: 150; easing.type: Easing.InOutQuad } }
            layoutDirection: Qt.LeftToRight

            FeaturedArrowButton {
                objectName: "featuredPrevious"
                anchors.verticalCenter: parent.verticalCenter
                symbol: "chevron.left"
                text: qsTr("Previous album")
                onClicked: root.viewModel.advance(-1)
            }
            Item {
                width: arrows.width - 64
                height: 1
            }
            FeaturedArrowButton {
                objectName: "featuredNext"
                anchors.verticalCenter: parent.verticalCenter
                symbol: "chevron.right"
                text: qsTr("Next album")
                onClicked: root.viewModel.advance(1)
            }
        }

        Row {
            objectName: "featuredDots"
            anchors.right: parent.right
            anchors.bottom: parent.bottom
            anchors.rightMargin: 14
            anchors.bottomMargin: 10
            spacing: 7
            visible: root.viewModel.count >= 2

            Repeater {
                model: root.viewModel.count

                Item {
                    id: dot

                    required property int index

                    objectName: "featuredDot"
                    width: 14
                    height: 14
                    Accessible.role: Accessible.Button
                    Accessible.name: qsTr("Featured album %1 of %2").arg(index + 1).arg(root.viewModel.count)

                    Rectangle {
                        anchors.centerIn: parent
                        width: 6
                        height: 6
                        radius: 3
                        color: Theme.white
                        opacity: dot.index === root.viewModel.index ? 0.9 : 0.35
                    }
                    MouseArea {
                        anchors.fill: parent
                        cursorShape: Qt.PointingHandCursor
                        onClicked: root.viewModel.show(dot.index)
                    }
                }
            }
        }
    }
}
