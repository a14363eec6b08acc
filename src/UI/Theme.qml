pragma Singleton
import QtQuick

// Colours and text sizes shared by every page, derived from the system palette.
QtObject {
    readonly property SystemPalette palette: SystemPalette { colorGroup: SystemPalette.Active }

    readonly property color label: palette.windowText
    readonly property color secondaryLabel: Qt.rgba(label.r, label.g, label.b, 0.55)
    readonly property color tertiaryLabel: Qt.rgba(label.r, label.g, label.b, 0.25)
    readonly property color separator: Qt.rgba(label.r, label.g, label.b, 0.12)
    readonly property color window: palette.window
    readonly property color regularMaterial: Qt.rgba(window.r, window.g, window.b, 0.85)
    readonly property color accent: palette.highlight
    readonly property color destructive: "#d93a3a"

    readonly property int largeTitle: 26
    readonly property int title: 22
    readonly property int title2: 17
    readonly property int title3: 15
    readonly property int headline: 13
    readonly property int body: 13
    readonly property int callout: 12
    readonly property int subheadline: 11
    readonly property int footnote: 10
    readonly property int caption: 10
    readonly property int caption2: 9
}
