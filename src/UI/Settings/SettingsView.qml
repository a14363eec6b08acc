import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Lirna.UI

// The settings window's content, a grouped form 400 points wide whose height
// follows its rows: the account, the two switches, "Log Out" and the
// downloads; only "Not connected." while signed out.
Pane {
    id: root

    required property SettingsViewModel viewModel
    readonly property DownloadsStorageModel storage: viewModel.downloads

    objectName: "SettingsView"
    width: 400
    implicitWidth: 400
    padding: 16
    background: Rectangle { color: Theme.window }
    // The controls' own colours, from the theme (a second window does not
    // inherit the main window's).
    palette.window: Theme.window
    palette.windowText: Theme.label
    palette.base: Theme.fieldBackground
    palette.text: Theme.label
    palette.button: Theme.buttonBackground
    palette.buttonText: Theme.label
    palette.brightText: Theme.white
    palette.highlight: Theme.accent
    palette.highlightedText: Theme.accentLabel
    palette.toolTipBase: Theme.popup
    palette.toolTipText: Theme.label
    palette.light: Theme.popup
    palette.midlight: Theme.hover
    palette.mid: Theme.splitHandle
    palette.dark: Theme.secondaryLabel
    palette.shadow: Theme.shadow

    component Group: Rectangle {
        default property alias rows: column.data
        Layout.fillWidth: true
        implicitHeight: column.implicitHeight + 8
        radius: 8
        color: Theme.content
        border.width: 1
        border.color: Theme.separator
        ColumnLayout {
            id: column
            x: 12
            y: 4
            width: parent.width - 24
            spacing: 0
        }
    }

    component LabelledValue: RowLayout {
        property alias label: labelText.text
        property alias value: valueText.text
        Layout.fillWidth: true
        Layout.minimumHeight: 30
        spacing: 12
        Text {
            id: labelText
            textFormat: Text.PlainText
            font.pixelSize: Theme.body
            color: Theme.label
        }
        Text {
            id: valueText
            Layout.fillWidth: true
            horizontalAlignment: Text.AlignRight
            textFormat: Text.PlainText
            elide: Text.ElideMiddle
            font.pixelSize: Theme.body
            color: Theme.secondaryLabel
        }
    }

    ColumnLayout {
        anchors.left: parent.left
        anchors.right: parent.right
        spacing: 14

        Text {
            objectName: "notConnectedText"
            visible: !root.viewModel.signedIn
            Layout.alignment: Qt.AlignHCenter
            text: "Not connected."
            font.pixelSize: Theme.body
            color: Theme.secondaryLabel
        }

        Group {
            visible: root.viewModel.signedIn

            LabelledValue {
                objectName: "serverRow"
                label: "Server"
                value: root.viewModel.server
            }
            LabelledValue {
                label: "User"
                value: root.viewModel.user
            }
            Switch {
                objectName: "scrobbleSwitch"
                Layout.fillWidth: true
                text: "Report plays to server"
                font.pixelSize: Theme.body
                checked: root.viewModel.scrobbleEnabled
                onToggled: root.viewModel.scrobbleEnabled = checked
            }
            Text {
                Layout.fillWidth: true
                Layout.bottomMargin: 6
                text: "Updates play counts on your server, and Last.fm/ListenBrainz if it is configured there."
                wrapMode: Text.WordWrap
                font.pixelSize: Theme.caption
                color: Theme.secondaryLabel
            }
            Switch {
                objectName: "updatesSwitch"
                Layout.fillWidth: true
                text: "Automatically check for updates"
                font.pixelSize: Theme.body
                enabled: root.viewModel.updatesAvailable
                palette.disabled.windowText: Theme.secondaryLabel
                checked: root.viewModel.automaticallyChecksForUpdates
                onToggled: root.viewModel.automaticallyChecksForUpdates = checked
            }
            Text {
                objectName: "updatesUnavailableText"
                visible: !root.viewModel.updatesAvailable
                Layout.fillWidth: true
                Layout.bottomMargin: 6
                text: root.viewModel.updatesUnavailableText
                wrapMode: Text.WordWrap
                font.pixelSize: Theme.caption
                color: Theme.secondaryLabel
            }
            PushButton {
                objectName: "logOutButton"
                Layout.topMargin: 4
                Layout.bottomMargin: 4
                text: "Log Out"
                destructive: true
                onClicked: root.viewModel.logOut()
            }
        }

        Text {
            visible: root.viewModel.signedIn && root.storage !== null
            text: "Downloads"
            font.pixelSize: Theme.headline
            font.weight: Font.DemiBold
            color: Theme.secondaryLabel
        }

        Group {
            objectName: "downloadsSection"
            visible: root.viewModel.signedIn && root.storage !== null

            LabelledValue {
                objectName: "storageUsedRow"
                label: "Storage Used"
                value: root.storage ? root.storage.storageUsed : ""
            }
            Text {
                objectName: "downloadsHint"
                visible: root.storage !== null && root.storage.count === 0
                Layout.fillWidth: true
                Layout.bottomMargin: 6
                text: "Download albums and playlists for offline playback from their “⋯” menu."
                wrapMode: Text.WordWrap
                font.pixelSize: Theme.caption
                color: Theme.secondaryLabel
            }
            Repeater {
                model: root.storage
                delegate: RowLayout {
                    id: row
                    required property int index
                    required property string name
                    required property string subtitle
                    required property bool hasSubtitle
                    required property string size

                    objectName: "downloadRow"
                    Layout.fillWidth: true
                    Layout.minimumHeight: 36
                    spacing: 8

                    ColumnLayout {
                        Layout.fillWidth: true
                        spacing: 1
                        Text {
                            Layout.fillWidth: true
                            text: row.name
                            textFormat: Text.PlainText
                            elide: Text.ElideRight
                            maximumLineCount: 1
                            font.pixelSize: Theme.body
                            color: Theme.label
                        }
                        Text {
                            Layout.fillWidth: true
                            visible: row.hasSubtitle
                            text: row.subtitle
                            textFormat: Text.PlainText
                            elide: Text.ElideRight
                            maximumLineCount: 1
                            font.pixelSize: Theme.caption
                            color: Theme.secondaryLabel
                        }
                    }
                    Text {
                        objectName: "downloadSize"
                        text: row.size
                        font.pixelSize: Theme.callout
                        color: Theme.secondaryLabel
                    }
                    IconButton {
                        objectName: "removeDownloadButton"
                        implicitWidth: 22
                        implicitHeight: 22
                        symbol: "trash"
                        symbolSize: 14
                        text: "Remove Download"
                        onClicked: root.storage.remove(row.index)
                    }
                }
            }
            PushButton {
                objectName: "removeAllButton"
                visible: root.storage !== null && root.storage.count > 0
                Layout.topMargin: 4
                Layout.bottomMargin: 4
                text: "Remove All Downloads"
                destructive: true
                onClicked: root.storage.requestRemoveAll()
            }
        }
    }

    AlertDialog {
        id: removeAll
        objectName: "removeAllDialog"
        width: 320
        title: "Remove all downloads?"
        acceptText: "Remove All"
        rejectText: "Cancel"
        destructive: true

        Label {
            width: parent.width
            text: root.storage ? root.storage.removeAllMessage : ""
            textFormat: Text.PlainText
            wrapMode: Text.WordWrap
            color: Theme.label
        }

        onAccepted: root.storage.confirmRemoveAll()
        onRejected: root.storage.cancelRemoveAll()
        onClosed: if (root.storage)
            root.storage.cancelRemoveAll()
    }

    Connections {
        target: root.storage
        function onShowRemoveAllChanged() {
            if (root.storage.showRemoveAll)
                removeAll.open()
            else
                removeAll.close()
        }
    }
}
