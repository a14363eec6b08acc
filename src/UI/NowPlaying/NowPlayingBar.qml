import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Lirna.UI

// The floating now-playing bar: transport buttons, the current song with its
// links and position strip, and the like, Up Next, output and volume controls.
FocusScope {
    id: bar

    required property NowPlayingBarViewModel model
    property real maxBarWidth: 860

    implicitHeight: 56 + 14

    // One of the bar's icon buttons: never takes the focus, so Space always
    // reaches the window.
    component BarButton: AbstractButton {
        id: barButton
        property string symbol
        property real symbolSize: 13
        property bool on: false
        // Shuffle and repeat are switches: assistive technology hears
        // whether they are on, as the eye sees it from the tint.
        property bool toggle: false
        property string help
        focusPolicy: Qt.NoFocus
        hoverEnabled: true
        padding: 0
        implicitWidth: 26
        implicitHeight: 26
        background: null
        contentItem: Icon {
            name: barButton.symbol
            size: barButton.symbolSize
            color: barButton.on ? Theme.accent : (barButton.enabled ? Theme.label : Theme.tertiaryLabel)
        }
        ToolTip.visible: hovered && help.length > 0
        ToolTip.text: help
        Accessible.name: help
        Accessible.checkable: toggle
        Accessible.checked: toggle && on
    }

    Rectangle {
        id: capsule
        objectName: "barCapsule"
        anchors.horizontalCenter: parent.horizontalCenter
        anchors.bottom: parent.bottom
        anchors.bottomMargin: 14
        width: Math.min(bar.maxBarWidth, bar.width - 40)
        height: 56
        radius: height / 2
        color: Theme.floatingMaterial
        // A hairline keeps the capsule apart from a page of the same colour.
        border.width: 1
        border.color: Theme.separator

        CapsuleShadow {
            anchors.fill: parent
            z: -1
        }

        RowLayout {
            anchors.fill: parent
            anchors.leftMargin: 16
            anchors.rightMargin: 16
            spacing: 0

            RowLayout {
                spacing: 8
                BarButton {
                    objectName: "shuffleButton"
                    symbol: "shuffle"; symbolSize: 12; help: bar.model.shuffleText
                    toggle: true; on: bar.model.isShuffling; enabled: bar.model.controlsEnabled
                    onClicked: bar.model.toggleShuffle()
                }
                BarButton {
                    objectName: "previousButton"
                    symbol: "backward.fill"; symbolSize: 16; help: bar.model.previousText
                    enabled: bar.model.controlsEnabled
                    onClicked: bar.model.previous()
                }
                BarButton {
                    objectName: "playPauseButton"
                    symbol: bar.model.playPauseSymbol; symbolSize: 21; help: bar.model.playPauseText
                    enabled: bar.model.controlsEnabled
                    onClicked: bar.model.togglePlayPause()
                }
                BarButton {
                    objectName: "nextButton"
                    symbol: "forward.fill"; symbolSize: 16; help: bar.model.nextText
                    enabled: bar.model.controlsEnabled
                    onClicked: bar.model.next()
                }
                BarButton {
                    objectName: "repeatButton"
                    symbol: bar.model.repeatSymbol; symbolSize: 12; help: bar.model.repeatText
                    toggle: true; on: bar.model.repeatOn; enabled: bar.model.controlsEnabled
                    onClicked: bar.model.cycleRepeat()
                }
            }

            Item {
                Layout.fillWidth: true
                Layout.fillHeight: true
                Layout.leftMargin: 16
                Layout.rightMargin: 16

                Icon {
                    anchors.centerIn: parent
                    visible: !bar.model.hasSong
                    name: "music.note"
                    size: 15
                    color: Theme.tertiaryLabel
                    Accessible.name: bar.model.notPlayingText
                }

                RowLayout {
                    id: songLine
                    visible: bar.model.hasSong
                    y: 8
                    width: parent.width
                    height: 34
                    spacing: 8
                    opacity: bar.model.progress.isActive ? 0.5 : 1
                    Behavior on opacity { NumberAnimation { duration: 180; easing.type: Easing.OutCubic } }

                    // The cover; the artwork view draws into this slot.
                    AbstractButton {
                        id: artwork
                        objectName: "nowPlayingArtwork"
                        implicitWidth: 34
                        implicitHeight: 34
                        focusPolicy: Qt.NoFocus
                        hoverEnabled: bar.model.artworkIsLink
                        enabled: bar.model.artworkIsLink
                        scale: hovered ? 1.08 : 1
                        Behavior on scale { NumberAnimation { duration: 150; easing.type: Easing.OutCubic } }
                        background: ArtworkView {
                            objectName: "nowPlayingCover"
                            coverArt: bar.model.coverArt
                            requestSize: 34
                            cornerRadius: 6
                        }
                        onClicked: bar.model.openAlbum()
                        HoverHandler {
                            enabled: bar.model.artworkIsLink
                            cursorShape: Qt.PointingHandCursor
                        }
                        ToolTip.visible: hovered
                        ToolTip.text: bar.model.artworkTooltip
                        Accessible.name: bar.model.artworkIsLink ? bar.model.artworkAccessibleName : ""
                    }

                    Column {
                        Layout.fillWidth: true
                        spacing: 0

                        HoverLink {
                            objectName: "nowPlayingTitleLink"
                            visible: bar.model.titleLink !== NowPlayingBarViewModel.NoLink
                            width: Math.min(implicitWidth, parent.width)
                            text: bar.model.title
                            help: bar.model.titleTooltip
                            weight: Font.DemiBold
                            onClicked: bar.model.openTitle()
                        }
                        Text {
                            visible: bar.model.titleLink === NowPlayingBarViewModel.NoLink
                            width: parent.width
                            text: bar.model.title
                            textFormat: Text.PlainText
                            elide: Text.ElideRight
                            font.pixelSize: 12
                            font.weight: Font.DemiBold
                            color: Theme.label
                        }

                        // Within the column like the title: when the names
                        // are too long, each gives up width (down to nothing)
                        // and elides. The layout gives whole points, so a
                        // name asks for its width rounded up: a fraction less
                        // would elide a name that fits.
                        RowLayout {
                            width: parent.width
                            spacing: 5
                            HoverLink {
                                objectName: "nowPlayingArtistLink"
                                visible: bar.model.hasArtist && bar.model.artistIsLink
                                Layout.fillWidth: true
                                Layout.preferredWidth: Math.ceil(implicitWidth)
                                Layout.maximumWidth: Layout.preferredWidth
                                text: bar.model.artistText
                                help: bar.model.artistTooltip
                                textColor: Theme.secondaryLabel
                                onClicked: bar.model.openArtist()
                            }
                            Text {
                                visible: bar.model.hasArtist && !bar.model.artistIsLink
                                Layout.fillWidth: true
                                Layout.preferredWidth: Math.ceil(implicitWidth)
                                Layout.maximumWidth: Layout.preferredWidth
                                text: bar.model.artistText
                                textFormat: Text.PlainText
                                elide: Text.ElideRight
                                font.pixelSize: 12
                                color: Theme.secondaryLabel
                            }
                            Text {
                                visible: bar.model.showsSeparator
                                text: bar.model.separator
                                font.pixelSize: 12
                                color: Theme.secondaryLabel
                            }
                            HoverLink {
                                objectName: "nowPlayingAlbumLink"
                                visible: bar.model.hasAlbum && bar.model.albumIsLink
                                Layout.fillWidth: true
                                Layout.preferredWidth: Math.ceil(implicitWidth)
                                Layout.maximumWidth: Layout.preferredWidth
                                text: bar.model.albumText
                                help: bar.model.albumTooltip
                                textColor: Theme.secondaryLabel
                                onClicked: bar.model.openAlbum()
                            }
                            Text {
                                visible: bar.model.hasAlbum && !bar.model.albumIsLink
                                Layout.fillWidth: true
                                Layout.preferredWidth: Math.ceil(implicitWidth)
                                Layout.maximumWidth: Layout.preferredWidth
                                text: bar.model.albumText
                                textFormat: Text.PlainText
                                elide: Text.ElideRight
                                font.pixelSize: 12
                                color: Theme.secondaryLabel
                            }
                            Item {
                                Layout.fillWidth: true
                            }
                        }
                    }
                }

                ProgressStrip {
                    objectName: "progressStrip"
                    visible: bar.model.hasSong
                    anchors.left: parent.left
                    anchors.right: parent.right
                    anchors.bottom: parent.bottom
                    model: bar.model.progress
                    barFocus: bar.model.focus
                }
            }

            RowLayout {
                spacing: 9
                BarButton {
                    objectName: "likeButton"
                    symbol: bar.model.likeSymbol; help: bar.model.likeText
                    implicitWidth: 24; implicitHeight: 24
                    on: bar.model.isLiked; enabled: bar.model.likeEnabled
                    onClicked: bar.model.toggleLike()
                }
                BarButton {
                    id: upNextButton
                    objectName: "upNextButton"
                    symbol: "list.bullet"; help: bar.model.upNextText
                    implicitWidth: 24; implicitHeight: 24
                    on: bar.model.showQueue
                    onClicked: bar.model.toggleQueue()

                    UpNextPopover {
                        objectName: "upNextPopover"
                        model: bar.model.upNext
                        visible: bar.model.showQueue
                        x: (upNextButton.width - width) / 2
                        // Above the capsule, whose edge is 16 points over
                        // the button's.
                        y: -height - 16 - 8
                        onClosed: bar.model.showQueue = false
                        onSpacePressed: bar.model.togglePlayPause()
                    }
                }
                AudioOutputButton {
                    model: bar.model.audioOutput
                }
                VolumeControl {
                    objectName: "volumeControl"
                    model: bar.model.volume
                    barFocus: bar.model.focus
                }
            }
        }
    }
}
