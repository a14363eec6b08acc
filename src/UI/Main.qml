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
    color: Theme.window
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
    width: 1100
    height: 720
    minimumWidth: rootModel.mainView ? 900 : 520
    minimumHeight: rootModel.mainView ? 560 : 480

    readonly property MenuCommands commands: app.commands

    // Linux programs keep "Settings…" and "Quit" in the File menu, and
    // "About Lirna" and the update check under Help. The keys the items show
    // are the shortcuts below.
    menuBar: MenuBar {
        objectName: "menuBar"

        Menu {
            title: "File"
            CommandMenuItem {
                objectName: "newPlaylistMenuItem"
                text: "New Playlist…"
                shortcut: "Ctrl+N"
                enabled: window.commands.newPlaylistEnabled
                onTriggered: window.commands.newPlaylist()
            }
            CommandMenuItem {
                text: "Settings…"
                shortcut: "Ctrl+,"
                onTriggered: window.openSettings()
            }
            MenuSeparator {}
            CommandMenuItem {
                text: "Quit"
                shortcut: "Ctrl+Q"
                onTriggered: Qt.quit()
            }
        }
        Menu {
            title: "Library"
            CommandMenuItem {
                text: "Refresh"
                shortcut: "Ctrl+R"
                enabled: window.commands.refreshEnabled
                onTriggered: window.commands.refresh()
            }
        }
        Menu {
            title: "Playback"
            CommandMenuItem {
                objectName: "playPauseMenuItem"
                text: window.commands.playPauseText
                enabled: window.commands.playPauseEnabled
                onTriggered: window.commands.playPause()
            }
            CommandMenuItem {
                text: "Next"
                shortcut: "Ctrl+→"
                enabled: window.commands.nextEnabled
                onTriggered: window.commands.next()
            }
            CommandMenuItem {
                text: "Previous"
                shortcut: "Ctrl+←"
                enabled: window.commands.previousEnabled
                onTriggered: window.commands.previous()
            }
        }
        Menu {
            title: "Help"
            CommandMenuItem {
                text: "About Lirna"
                onTriggered: about.open()
            }
            CommandMenuItem {
                text: "Check for Updates…"
                enabled: window.commands.checkForUpdatesEnabled
                onTriggered: window.commands.checkForUpdates()
            }
        }
    }

    // The menus' keys, from every window of the program except "New
    // Playlist…", which belongs to this window (the settings window never
    // opens it). A focused text field takes Ctrl+Left/Right first to move its
    // cursor by word.
    Shortcut {
        sequence: "Ctrl+N"
        onActivated: window.commands.newPlaylist()
    }
    Shortcut {
        sequence: "Ctrl+R"
        context: Qt.ApplicationShortcut
        onActivated: window.commands.refresh()
    }
    Shortcut {
        sequence: "Ctrl+Right"
        context: Qt.ApplicationShortcut
        onActivated: window.commands.next()
    }
    Shortcut {
        sequence: "Ctrl+Left"
        context: Qt.ApplicationShortcut
        onActivated: window.commands.previous()
    }
    Shortcut {
        sequence: "Ctrl+Q"
        context: Qt.ApplicationShortcut
        onActivated: Qt.quit()
    }

    // The main window content offers its "New Playlist" dialog to the menu
    // while this window is the active one; the connect screen offers none.
    // The settings window counts as active for its parent too, so it is
    // ruled out by name.
    Binding {
        target: window.commands
        property: "newPlaylistAction"
        value: window.active && !(settings.item && settings.item.active) && content.item
            && content.item.newPlaylistAction !== undefined
            ? content.item.newPlaylistAction : null
    }

    function openSettings() {
        if (!settings.item)
            settings.setSource("Settings/SettingsWindow.qml", { viewModel: window.app.settings })
        settings.item.show()
        settings.item.raise()
        settings.item.requestActivate()
    }

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

    // The dialogs and the settings window are built the first time they are
    // needed: the first frame waits for none of them.
    Loader {
        id: updateResult
        active: false
        sourceComponent: AlertDialog {
            objectName: "updateResultDialog"
            title: window.app.updater.resultTitle
            width: 380
            acceptText: "OK"
            extraText: window.app.updater.resultLink.toString().length > 0 ? "Download…" : ""
            onExtraClicked: {
                Qt.openUrlExternally(window.app.updater.resultLink)
                close()
            }

            Label {
                width: parent.width
                text: window.app.updater.resultText
                textFormat: Text.PlainText
                wrapMode: Text.WordWrap
                color: Theme.label
            }
        }

        function open() {
            active = true
            item.open()
        }
    }

    // The program's name and version, from "About Lirna".
    Loader {
        id: about
        active: false
        sourceComponent: AlertDialog {
            objectName: "aboutDialog"
            width: 300
            topPadding: 22
            acceptText: "OK"

            Column {
                width: parent.width
                spacing: 4
                Label {
                    width: parent.width
                    horizontalAlignment: Text.AlignHCenter
                    text: "Lirna"
                    textFormat: Text.PlainText
                    font.pixelSize: Theme.title2
                    font.weight: Font.Bold
                    color: Theme.label
                }
                Label {
                    width: parent.width
                    horizontalAlignment: Text.AlignHCenter
                    text: "Version " + window.app.version
                    textFormat: Text.PlainText
                    color: Theme.secondaryLabel
                }
            }
        }

        function open() {
            active = true
            item.open()
        }
    }

    // The keyring could not keep the password: this sign-in holds for this
    // run only. Said once, in the keyring's own words.
    Loader {
        id: passwordNotSaved
        active: false
        sourceComponent: AlertDialog {
            objectName: "passwordNotSavedDialog"
            width: 380
            title: "Password Not Saved"
            acceptText: "OK"

            Label {
                width: parent.width
                text: window.app.appState.passwordSaveError
                textFormat: Text.PlainText
                wrapMode: Text.WordWrap
                color: Theme.label
            }

            onClosed: window.app.appState.dismissPasswordSaveError()
        }

        function open() {
            active = true
            item.open()
        }
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

    // The settings window (Ctrl+,), see openSettings().
    Loader {
        id: settings
    }

    Shortcut {
        sequences: [StandardKey.Preferences, "Ctrl+,"]
        context: Qt.ApplicationShortcut
        onActivated: window.openSettings()
    }

    Component.onCompleted: {
        if (app.appState.passwordSaveError.length > 0)
            passwordNotSaved.open()
        app.runLaunchTask()
    }
}
