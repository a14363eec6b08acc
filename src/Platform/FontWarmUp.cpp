#include "FontWarmUp.h"

#include <QFontDatabase>
#include <QThreadPool>

#include <fontconfig/fontconfig.h>

#include <mutex>

void FontWarmUp::leaveOutWebFonts()
{
    static std::once_flag once;
    std::call_once(once, [] {
        // The system's configuration plus one rule, built before anyone
        // asks fontconfig for a font (FcInit then keeps this one).
        FcConfig *config = FcInitLoadConfig();
        if (!config)
            return;
        static const char rule[] = "<?xml version=\"1.0\"?><fontconfig><selectfont><rejectfont>"
                                   "<glob>*.woff</glob><glob>*.woff2</glob>"
                                   "</rejectfont></selectfont></fontconfig>";
        if (FcConfigParseAndLoadFromMemory(config, reinterpret_cast<const FcChar8 *>(rule), FcFalse)
            && FcConfigBuildFonts(config))
            FcConfigSetCurrent(config);
        // The current configuration holds its own reference.
        FcConfigDestroy(config);
    });
}

void FontWarmUp::startInBackground()
{
    QThreadPool::globalInstance()->start([] {
        leaveOutWebFonts();
        // Builds Qt's font database (it locks itself against the GUI thread).
        QFontDatabase::families();
    });
}
