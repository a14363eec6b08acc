import QtQuick
import Lirna.UI

// The settings window (Ctrl+,): a fixed-size window around the settings form,
// whose height follows the form's rows.
Window {
    id: root

    required property SettingsViewModel viewModel

    objectName: "settingsWindow"
    title: "Settings"
    color: Theme.window
    width: 400
    height: settingsView.implicitHeight
    minimumWidth: 400
    maximumWidth: 400
    minimumHeight: height
    maximumHeight: height

    SettingsView {
        id: settingsView
        viewModel: root.viewModel
    }
}
