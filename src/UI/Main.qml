import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Lirna.UI

// The main window: the connect screen until an account is signed in, then
// the main window content, built anew for every signed-in server.
ApplicationWindow {
    id: window

    required property LirnaApp app
    readonly property RootViewModel rootModel: app.root

    visible: true
    title: "Lirna"
    width: 1100
    height: 720
    minimumWidth: rootModel.mainView ? 900 : 520
    minimumHeight: rootModel.mainView ? 560 : 480

    // The root screen follows the root model's one `screen`: each new screen
    // model builds its screen once.
    Loader {
        id: content
        objectName: "rootContent"
        anchors.fill: parent
        focus: true

        readonly property QtObject screen: window.rootModel.screen
        property QtObject shown: null

        function showScreen() {
            if (shown === screen)
                return
            shown = screen
            const main = screen === window.rootModel.mainView
            setSource(main ? "MainView.qml" : "ConnectView.qml", { viewModel: screen })
        }

        onScreenChanged: showScreen()
        Component.onCompleted: showScreen()
    }

    Dialog {
        id: updateResult
        objectName: "updateResultDialog"
        anchors.centerIn: parent
        modal: true
        title: window.app.updater.resultTitle
        width: 380

        Label {
            width: parent.width
            text: window.app.updater.resultText
            textFormat: Text.PlainText
            wrapMode: Text.WordWrap
        }

        footer: DialogButtonBox {
            Button {
                text: "Download…"
                visible: window.app.updater.resultLink.toString().length > 0
                DialogButtonBox.buttonRole: DialogButtonBox.AcceptRole
                onClicked: Qt.openUrlExternally(window.app.updater.resultLink)
            }
            Button {
                text: "OK"
                DialogButtonBox.buttonRole: DialogButtonBox.RejectRole
            }
        }
    }

    // The keyring could not keep the password: this sign-in holds for this
    // run only. Said once, in the keyring's own words.
    Dialog {
        id: passwordNotSaved
        objectName: "passwordNotSavedDialog"
        anchors.centerIn: parent
        width: 380
        modal: true
        title: "Password Not Saved"
        standardButtons: Dialog.Ok

        Label {
            width: parent.width
            text: window.app.appState.passwordSaveError
            textFormat: Text.PlainText
            wrapMode: Text.WordWrap
        }

        onClosed: window.app.appState.dismissPasswordSaveError()
    }

    Connections {
        target: window.app.appState
        function onPasswordSaveErrorChanged() {
            if (window.app.appState.passwordSaveError.length > 0)
                passwordNotSaved.open()
        }
    }

    Connections {
        target: window.app.updater
        function onResultReady() { updateResult.open() }
    }

    // The settings window (Ctrl+,).
    Window {
        id: settingsWindow
        title: "Settings"
        width: 480
        height: 260
        minimumWidth: 400
        minimumHeight: 200
        SettingsView {
            anchors.fill: parent
            app: window.app
        }
    }

    Shortcut {
        sequences: [StandardKey.Preferences, "Ctrl+,"]
        context: Qt.ApplicationShortcut
        onActivated: {
            settingsWindow.show()
            settingsWindow.raise()
            settingsWindow.requestActivate()
        }
    }

    Component.onCompleted: {
        if (app.appState.passwordSaveError.length > 0)
            passwordNotSaved.open()
        app.runLaunchTask()
    }
}
