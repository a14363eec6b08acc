import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Lirna.UI

// The connection notice floating over the top of the detail column. It
// slides in from the top edge and fades; what it says comes from its model,
// which keeps the last notice while the card slides out.
Item {
    id: root

    required property ConnectionBannerViewModel viewModel
    // The fault's colour: orange when the server cannot be used at all,
    // yellow for an error it reported.
    readonly property color tint: viewModel.tint === ConnectionBannerViewModel.Orange ? Theme.warning
                                                                                       : Theme.caution

    objectName: "ConnectionBanner"
    // Room below the card for its shadow.
    implicitHeight: card.height + 10 + 14

    Rectangle {
        id: card

        readonly property color tint: root.tint

        objectName: "bannerCard"
        anchors.horizontalCenter: parent.horizontalCenter
        width: Math.min(520, root.width - 32)
        height: row.implicitHeight + 20
        y: root.viewModel.shown ? 10 : -height
        opacity: root.viewModel.shown ? 1 : 0
        visible: opacity > 0
        radius: 12
        color: Theme.floatingMaterial
        border.width: 1
        border.color: Qt.rgba(root.tint.r, root.tint.g, root.tint.b, 0.25)
        Accessible.role: Accessible.Grouping

        Behavior on y { NumberAnimation { duration: 300; easing.type: Easing.OutCubic } }
        Behavior on opacity { NumberAnimation { duration: 300; easing.type: Easing.OutCubic } }

        CapsuleShadow {
            objectName: "bannerShadow"
            anchors.fill: parent
            z: -1
            blur: 20
            offset: 3
            strength: 0.18
            cornerRadius: card.radius
        }

        RowLayout {
            id: row

            anchors.fill: parent
            anchors.leftMargin: 14
            anchors.rightMargin: 14
            anchors.topMargin: 10
            anchors.bottomMargin: 10
            spacing: 10

            Icon {
                name: root.viewModel.symbol
                size: 15
                font.weight: Font.Medium
                color: root.tint
                Accessible.ignored: true
            }

            ColumnLayout {
                Layout.fillWidth: true
                spacing: 1

                Label {
                    objectName: "bannerTitle"
                    Layout.fillWidth: true
                    text: root.viewModel.title
                    textFormat: Text.PlainText
                    font.pixelSize: Theme.callout
                    font.weight: Font.Medium
                    color: Theme.label
                    wrapMode: Text.Wrap
                    maximumLineCount: 2
                    elide: Text.ElideRight
                }
                Label {
                    Layout.fillWidth: true
                    visible: text.length > 0
                    text: root.viewModel.detail
                    textFormat: Text.PlainText
                    font.pixelSize: Theme.caption
                    color: Theme.secondaryLabel
                    wrapMode: Text.Wrap
                    maximumLineCount: 2
                    elide: Text.ElideRight
                }
            }

            Item {
                Layout.minimumWidth: 12
            }

            Button {
                objectName: "tryAgainButton"
                visible: root.viewModel.showsTryAgain
                flat: true
                focusPolicy: Qt.NoFocus
                enabled: !root.viewModel.isRetrying
                text: root.viewModel.isRetrying ? "" : "Try Again"
                font.pixelSize: Theme.callout
                font.weight: Font.Medium
                onClicked: root.viewModel.tryAgain()

                BusyIndicator {
                    anchors.centerIn: parent
                    width: 16
                    height: 16
                    running: root.viewModel.isRetrying
                    visible: running
                }
            }

            Button {
                objectName: "retryButton"
                visible: root.viewModel.showsRetry
                flat: true
                focusPolicy: Qt.NoFocus
                text: "Retry"
                font.pixelSize: Theme.callout
                font.weight: Font.Medium
                onClicked: root.viewModel.retryFailure()
            }

            ToolButton {
                objectName: "dismissButton"
                visible: root.viewModel.showsDismiss
                focusPolicy: Qt.NoFocus
                Accessible.name: "Dismiss"
                onClicked: root.viewModel.dismiss()
                contentItem: Icon {
                    name: "xmark"
                    size: 11
                    font.weight: Font.DemiBold
                    color: Theme.secondaryLabel
                }
            }
        }
    }
}
