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
    // The controls' own colours, from the theme, so that they follow the
    // system palette (light or dark) as the rest does.
    palette.window: Theme.window
    palette.windowText: Theme.label
    palette.base: Theme.fieldBackground
    palette.alternateBase: Theme.sidebar
    palette.text: Theme.label
    palette.button: Theme.buttonBackground
    palette.buttonText: Theme.label
    palette.brightText: Theme.white
    palette.highlight: Theme.accent
    palette.highlightedText: Theme.accentLabel
    palette.placeholderText: Theme.placeholderText
    palette.toolTipBase: Theme.popup
    palette.toolTipText: Theme.label
    palette.light: Theme.popup
    palette.midlight: Theme.hover
    palette.mid: Theme.splitHandle
    palette.dark: Theme.secondaryLabel
    palette.shadow: Theme.shadow

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
