.pragma library

// The fill and label colours shared by the pill and circle buttons. `tint`
// and `foreground` are colours or null; `primary` and `neutral` come from the
// theme.

function fill(tint, soft, pressed, neutral) {
    if (tint === null || tint === undefined)
        return Qt.rgba(neutral.r, neutral.g, neutral.b, neutral.a * (pressed ? 0.9 : 0.6))
    const opacity = soft ? (pressed ? 0.34 : 0.22) : (pressed ? 0.85 : 1.0)
    return Qt.rgba(tint.r, tint.g, tint.b, tint.a * opacity)
}

function label(tint, foreground, soft, primary, white) {
    if (tint === null || tint === undefined)
        return primary
    if (soft)
        return tint
    return foreground === null || foreground === undefined ? white : foreground
}
