import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Lirna.UI

// The settings window's content: the signed-in account and "Log Out".
Pane {
    id: root

    required property LirnaApp app

    objectName: "SettingsView"
    padding: 20
    background: Rectangle { color: Theme.window }

    ColumnLayout {
        anchors.fill: parent
        spacing: 12

        Label {
            text: "Account"
            font.pixelSize: Theme.headline
            font.weight: Font.Bold
        }
        Label {
            Layout.fillWidth: true
            visible: root.app.accountName.length > 0
            text: root.app.accountName + " — " + root.app.serverAddress
            textFormat: Text.PlainText
            elide: Text.ElideMiddle
            color: Theme.secondaryLabel
        }
        Label {
            visible: root.app.accountName.length === 0
            text: "Not signed in."
            color: Theme.secondaryLabel
        }
        PushButton {
            objectName: "logOutButton"
            text: "Log Out"
            enabled: root.app.accountName.length > 0
            onClicked: root.app.logOut()
        }
        Item { Layout.fillHeight: true }
    }
}
