import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Lirna.UI

// The full-page notice shown instead of an empty page while the server
// cannot be used: a large symbol, what is wrong and, when it can help,
// "Try Again".
Item {
    id: root

    required property ServerUnavailableViewModel viewModel

    objectName: "ServerUnavailableView"
    visible: viewModel.showsNotice

    ColumnLayout {
        anchors.centerIn: parent
        width: Math.min(root.width - 40, 420)
        spacing: 8

        Icon {
            Layout.alignment: Qt.AlignHCenter
            name: root.viewModel.symbol
            size: 44
            color: Theme.secondaryLabel
            Accessible.ignored: true
        }
        Label {
            Layout.fillWidth: true
            text: root.viewModel.title
            textFormat: Text.PlainText
            font.pixelSize: Theme.title2
            font.weight: Font.DemiBold
            color: Theme.label
            horizontalAlignment: Text.AlignHCenter
            wrapMode: Text.Wrap
        }
        Label {
            id: detail

            Layout.fillWidth: true
            text: root.viewModel.detail
            textFormat: Text.PlainText
            font.pixelSize: Theme.body
            color: Theme.secondaryLabel
            horizontalAlignment: Text.AlignHCenter
            wrapMode: Text.Wrap
            // Five points between lines beyond the font's own spacing.
            lineHeightMode: Text.FixedHeight
            lineHeight: fontMetrics.height + 5

            FontMetrics {
                id: fontMetrics
                font: detail.font
            }
        }
        Button {
            objectName: "tryAgainButton"
            Layout.alignment: Qt.AlignHCenter
            Layout.topMargin: 8
            visible: root.viewModel.offersRetry
            highlighted: true
            focusPolicy: Qt.NoFocus
            enabled: !root.viewModel.isRetrying
            text: root.viewModel.isRetrying ? "" : "Try Again"
            onClicked: root.viewModel.retry()

            BusyIndicator {
                anchors.centerIn: parent
                width: 16
                height: 16
                running: root.viewModel.isRetrying
                visible: running
            }
        }
    }
}
