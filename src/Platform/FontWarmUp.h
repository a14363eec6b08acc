#pragma once

// Readies the fonts while the window is being built, so that the first text
// laid out does not wait for them: fontconfig reads its configuration and
// font lists, and Qt builds its font database, on a worker thread.
//
// Web font copies (.woff, .woff2) are left out of fontconfig's lists: the
// icon font is installed both as TrueType and as WOFF2, fontconfig offers the
// WOFF2 copy first, and opening it means decompressing the whole font on
// every start.
class FontWarmUp
{
public:
    // Starts the work on a worker thread; call once the GUI application
    // exists and before anything lays out text. Should the GUI thread reach
    // the fonts first, it builds them itself as usual, web copies included.
    static void startInBackground();

    // The fontconfig part alone, on the calling thread; done once, later
    // calls return at once.
    static void leaveOutWebFonts();
};
