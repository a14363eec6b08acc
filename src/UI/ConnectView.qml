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
            spacing: 12
            enabled: !root.viewModel.isConnecting

            TextField {
                objectName: "serverURLField"
                Layout.fillWidth: true
                placeholderText: "https://music.example.com"
                Accessible.name: "Server URL"
                inputMethodHints: Qt.ImhUrlCharactersOnly | Qt.ImhNoAutoUppercase
                text: root.viewModel.serverURL
                onTextEdited: root.viewModel.serverURL = text
                onAccepted: root.viewModel.submit()
            }
            TextField {
                objectName: "usernameField"
                Layout.fillWidth: true
                placeholderText: "Username"
                Accessible.name: "Username"
                inputMethodHints: Qt.ImhNoAutoUppercase
                text: root.viewModel.username
                onTextEdited: root.viewModel.username = text
                onAccepted: root.viewModel.submit()
            }
            TextField {
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
            color: "#d93a3a"
            wrapMode: Text.WordWrap
            horizontalAlignment: Text.AlignHCenter
        }

        Button {
            objectName: "connectButton"
            Layout.fillWidth: true
            implicitHeight: 34
            highlighted: true
            enabled: root.viewModel.canConnect
            text: root.viewModel.isConnecting ? "" : "Connect"
            onClicked: root.viewModel.connect()

            BusyIndicator {
                anchors.centerIn: parent
                width: 20
                height: 20
                visible: root.viewModel.isConnecting
                running: visible
            }
        }
    }
}
