import QtQuick
import QtQuick.Controls
import Lirna.UI

// The download badge of an album (`albumId`) or a playlist (`playlistId`,
// with `songIds` for its song-by-song state): a glyph with a tooltip, or the
// progress ring while a run goes on, or nothing (then it takes no width).
// The decision is DownloadBadgeModel's (`badge`).
Item {
    id: root

    property DownloadStore downloads
    property string albumId
    property string playlistId
    property var songIds: []
    property real size: 16
    // A faint dark halo, for a badge drawn over a picture.
    property bool shadowed: false
    readonly property DownloadBadgeModel badge: badgeModel

    visible: badgeModel.kind !== DownloadBadgeModel.Nothing
    implicitWidth: visible ? size : 0
    implicitHeight: size

    Accessible.role: Accessible.Graphic
    Accessible.name: badgeModel.tooltip

    DownloadBadgeModel {
        id: badgeModel
        downloads: root.downloads
        albumId: root.albumId
        playlistId: root.playlistId
        songIds: root.songIds
    }

    Icon {
        anchors.centerIn: parent
        anchors.verticalCenterOffset: 0.5
        visible: root.shadowed && badgeModel.kind !== DownloadBadgeModel.Running
        name: badgeModel.symbol
        size: root.size + 2
        color: Theme.alpha(Theme.black, 0.33)
    }

    Rectangle {
        anchors.centerIn: parent
        visible: root.shadowed && badgeModel.kind === DownloadBadgeModel.Running
        width: root.size + 2
        height: width
        radius: width / 2
        color: Theme.alpha(Theme.black, 0.33)
    }

    Icon {
        objectName: "badgeGlyph"
        anchors.centerIn: parent
        visible: badgeModel.kind !== DownloadBadgeModel.Running
        name: badgeModel.symbol
        size: root.size
        color: badgeModel.kind === DownloadBadgeModel.Offline ? Theme.secondaryLabel : Theme.warning
    }

    ProgressRing {
        objectName: "badgeRing"
        anchors.centerIn: parent
        width: root.size - 2
        height: root.size - 2
        visible: badgeModel.kind === DownloadBadgeModel.Running
        value: badgeModel.fraction
    }

    HoverHandler {
        id: hover
    }

    ToolTip.visible: hover.hovered && badgeModel.tooltip !== ""
    ToolTip.text: badgeModel.tooltip
    ToolTip.delay: 500
}
