pragma Singleton
import QtQuick

// Colours and text sizes shared by every page, derived from the system
// palette: they follow it when it changes, light or dark. No other file names
// a colour.
QtObject {
    readonly property SystemPalette palette: SystemPalette { colorGroup: SystemPalette.Active }
    readonly property bool dark: palette.window.hslLightness < 0.5

    readonly property color black: Qt.rgba(0, 0, 0, 1)
    readonly property color white: Qt.rgba(1, 1, 1, 1)
    readonly property color clear: Qt.rgba(0, 0, 0, 0)

    function alpha(c, a) { return Qt.rgba(c.r, c.g, c.b, a) }
    function mix(a, b, t) { return Qt.rgba(a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t, 1) }

    // Text and glyphs, by importance.
    readonly property color label: palette.windowText
    readonly property color secondaryLabel: alpha(label, 0.55)
    readonly property color tertiaryLabel: alpha(label, 0.28)
    readonly property color quaternaryLabel: alpha(label, 0.1)
    readonly property color placeholderText: alpha(label, 0.4)

    // Surfaces.
    readonly property color window: palette.window
    readonly property color content: dark ? mix(palette.window, black, 0.25) : palette.base
    readonly property color sidebar: dark ? palette.window : mix(palette.window, palette.base, 0.35)
    readonly property color regularMaterial: alpha(content, 0.85)
    // What floats over the pages (the now-playing bar, its popover, its
    // volume slider, the connection banner and a dragged row's title). Nothing blurs what lies behind, and through any
    // translucent fill the page's text reads on under the floating text: the
    // fill is opaque. In the dark it is lifted above the page, as raised
    // surfaces are there; in the light the shadow does that.
    readonly property color floatingMaterial: dark ? popup : content
    readonly property color popup: dark ? mix(palette.window, white, 0.06) : palette.base
    readonly property color fieldBackground: dark ? alpha(white, 0.07) : palette.base
    readonly property color fieldBorder: alpha(label, dark ? 0.16 : 0.2)
    readonly property color buttonBackground: dark ? alpha(white, 0.1) : palette.base
    readonly property color buttonPressed: dark ? alpha(white, 0.18) : mix(palette.base, palette.windowText, 0.1)
    readonly property color hover: alpha(label, 0.07)
    readonly property color separator: alpha(label, 0.12)
    readonly property color splitHandle: alpha(label, dark ? 0.25 : 0.15)
    readonly property color dimmer: alpha(black, dark ? 0.5 : 0.3)
    readonly property color shadow: alpha(black, dark ? 0.5 : 0.18)

    // Accents.
    readonly property color accent: palette.highlight
    readonly property color accentLabel: palette.highlightedText
    readonly property color selection: alpha(accent, dark ? 0.45 : 0.3)
    readonly property color focusRing: alpha(accent, 0.6)
    readonly property color destructive: dark ? "#ff5f57" : "#d93a3a"
    readonly property color warning: dark ? "#ff9f0a" : "#f08c00"
    readonly property color caution: dark ? "#ffd60a" : "#d4a600"

    // Covers: the placeholder's fill and the hairline just inside the edge.
    readonly property color artworkPlaceholder: alpha(quaternaryLabel, 0.5 * quaternaryLabel.a)
    readonly property color artworkHairline: alpha(separator, 0.5 * separator.a)

    readonly property int toolbarHeight: 44
    readonly property int controlHeight: 28
    readonly property int controlRadius: 6

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
