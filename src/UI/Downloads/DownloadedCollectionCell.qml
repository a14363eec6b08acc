import QtQuick
import QtQuick.Controls
import Lirna.UI

// One downloaded album or playlist: its artwork, name, subtitle and the
// songs and space it keeps. The artwork and the name open its page when it
// has one; under the pointer the artwork grows a little, its shadow deepens
// and the play button shows; a right click opens the tile menu. Actions go
// back to the page's view model by key.
Item {
    id: cell

    required property DownloadsViewModel viewModel
    required property string key
    required property string name
    required property string subtitle
    required property bool hasSubtitle
    required property var songs
    required property string detail
    required property bool openable
    property ContextMenu menu

    readonly property bool hovering: hover.hovered

    objectName: "downloadedCollection"
    implicitHeight: cover.height + 8 + textBlock.height

    HoverHandler {
        id: hover
    }

    ContextMenuArea {
        anchors.fill: parent
        menu: cell.menu
        context: cell.key
    }

    Item {
        id: cover

        width: cell.width
        height: width
        scale: cell.hovering ? 1.02 : 1.0
        Behavior on scale { NumberAnimation { duration: 150; easing.type: Easing.OutQuad } }

        Rectangle {
            // The shadow under the artwork, deeper while hovering.
            anchors.fill: parent
            anchors.topMargin: 2
            anchors.bottomMargin: cell.hovering ? -3 : -2
            anchors.leftMargin: cell.hovering ? -1 : 0
            anchors.rightMargin: cell.hovering ? -1 : 0
            radius: 7
            color: Theme.alpha(Theme.black, cell.hovering ? 0.25 : 0.12)
            Behavior on color { ColorAnimation { duration: 150; easing.type: Easing.OutQuad } }
        }

        Rectangle {
            // Keeps the shadow behind a placeholder or a transparent cover.
            anchors.fill: parent
            radius: 6
            color: Theme.content
        }

        CollectionArtworkView {
            anchors.fill: parent
            songs: cell.songs
            size: 220
            cornerRadius: 6
        }

        MouseArea {
            objectName: "collectionArtwork"
            anchors.fill: parent
            acceptedButtons: Qt.LeftButton
            enabled: cell.openable
            cursorShape: Qt.PointingHandCursor
            onClicked: cell.viewModel.open(cell.key)
        }

        Rectangle {
            objectName: "collectionPlayButton"
            anchors.left: parent.left
            anchors.bottom: parent.bottom
            anchors.margins: 10
            width: 34
            height: 34
            radius: 17
            color: Theme.alpha(Theme.black, 0.55)
            border.width: 1
            border.color: Theme.alpha(Theme.white, 0.12)
            opacity: cell.hovering ? 1 : 0
            visible: opacity > 0
            Behavior on opacity { NumberAnimation { duration: 150; easing.type: Easing.OutQuad } }

            Icon {
                anchors.centerIn: parent
                anchors.horizontalCenterOffset: 1
                name: "play.fill"
                size: 14
                color: Theme.white
            }
            MouseArea {
                anchors.fill: parent
                cursorShape: Qt.PointingHandCursor
                onClicked: cell.viewModel.play(cell.key)
            }
            ToolTip.visible: playHover.hovered
            ToolTip.delay: 700
            ToolTip.text: qsTr("Play %1").arg(cell.name)
            HoverHandler {
                id: playHover
            }
            Accessible.role: Accessible.Button
            Accessible.name: qsTr("Play %1").arg(cell.name)
        }
    }

    Column {
        id: textBlock

        anchors.top: cover.bottom
        anchors.topMargin: 8
        width: cell.width
        spacing: 2

        Label {
            objectName: "collectionName"
            width: Math.min(implicitWidth, parent.width)
            text: cell.name
            textFormat: Text.PlainText
            font.pixelSize: Theme.callout
            font.weight: Font.Medium
            color: Theme.label
            elide: Text.ElideRight
            maximumLineCount: 1

            HoverHandler {
                enabled: cell.openable
                cursorShape: Qt.PointingHandCursor
            }
            TapHandler {
                enabled: cell.openable
                onTapped: cell.viewModel.open(cell.key)
            }
        }
        Label {
            objectName: "collectionSubtitle"
            width: parent.width
            visible: cell.hasSubtitle
            text: cell.subtitle
            textFormat: Text.PlainText
            font.pixelSize: Theme.callout
            color: Theme.secondaryLabel
            elide: Text.ElideRight
            maximumLineCount: 1
        }
        Label {
            objectName: "collectionDetail"
            width: parent.width
            text: cell.detail
            textFormat: Text.PlainText
            font.pixelSize: Theme.caption
            color: Theme.tertiaryLabel
            elide: Text.ElideRight
            maximumLineCount: 1
        }
    }
}
