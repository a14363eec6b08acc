import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Lirna.UI

// The sign-in form.
Pane {
    id: root

    required property ConnectViewModel viewModel

    objectName: "ConnectView"
    padding: 0
    background: Rectangle { color: Theme.content }

    ColumnLayout {
        anchors.centerIn: parent
        width: 340
        spacing: 24

        ColumnLayout {
            Layout.fillWidth: true
            spacing: 8

            Icon {
                Layout.alignment: Qt.AlignHCenter
                name: "music.note.house.fill"
                size: 44
                color: Theme.accent
            }
            Label {
                Layout.alignment: Qt.AlignHCenter
                text: "Connect to Your Server"
                font.pixelSize: Theme.title2
                font.weight: Font.DemiBold
            }
            Label {
                Layout.fillWidth: true
                text: "Lirna streams music from your Navidrome or Subsonic-compatible server."
                font.pixelSize: Theme.subheadline
                color: Theme.secondaryLabel
                wrapMode: Text.WordWrap
                horizontalAlignment: Text.AlignHCenter
            }
        }

        ColumnLayout {
            Layout.fillWidth: true
            spacing: 10
            enabled: !root.viewModel.isConnecting

            InputField {
                objectName: "serverURLField"
                Layout.fillWidth: true
                placeholderText: "https://music.example.com"
                Accessible.name: "Server URL"
                inputMethodHints: Qt.ImhUrlCharactersOnly | Qt.ImhNoAutoUppercase
                text: root.viewModel.serverURL
                onTextEdited: root.viewModel.serverURL = text
                onAccepted: root.viewModel.submit()
            }
            InputField {
                objectName: "usernameField"
                Layout.fillWidth: true
                placeholderText: "Username"
                Accessible.name: "Username"
                inputMethodHints: Qt.ImhNoAutoUppercase
                text: root.viewModel.username
                onTextEdited: root.viewModel.username = text
                onAccepted: root.viewModel.submit()
            }
            InputField {
                objectName: "passwordField"
                Layout.fillWidth: true
                placeholderText: "Password"
                Accessible.name: "Password"
                echoMode: TextInput.Password
                text: root.viewModel.password
                onTextEdited: root.viewModel.password = text
                onAccepted: root.viewModel.submit()
            }
        }

        Label {
            objectName: "errorText"
            Layout.fillWidth: true
            visible: root.viewModel.hasError
            text: root.viewModel.errorMessage
            textFormat: Text.PlainText
            font.pixelSize: Theme.callout
            color: Theme.destructive
            wrapMode: Text.WordWrap
            horizontalAlignment: Text.AlignHCenter
        }

        PushButton {
            objectName: "connectButton"
            Layout.fillWidth: true
            implicitHeight: 32
            highlighted: true
            enabled: root.viewModel.canConnect
            text: root.viewModel.isConnecting ? "" : "Connect"
            onClicked: root.viewModel.connect()

            BusyIndicator {
                anchors.centerIn: parent
                width: 20
                height: 20
                palette.dark: Theme.white
                visible: root.viewModel.isConnecting
                running: visible
            }
        }
    }
}
