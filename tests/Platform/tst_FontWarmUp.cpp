#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QtTest>

#include <algorithm>

#include "Platform/FontWarmUp.h"

#include <fontconfig/fontconfig.h>

using namespace Qt::StringLiterals;

// The fonts readied before the window: fontconfig offers no web font copies,
// and the icon font still draws its symbols.
class tst_FontWarmUp : public QObject
{
    Q_OBJECT

    // The files fontconfig offers now, of every family.
    static QStringList offeredFiles()
    {
        QStringList files;
        FcPattern *pattern = FcPatternCreate();
        FcObjectSet *objects = FcObjectSetBuild(FC_FILE, nullptr);
        if (FcFontSet *set = FcFontList(nullptr, pattern, objects)) {
            for (int n = 0; n < set->nfont; ++n) {
                FcChar8 *file = nullptr;
                if (FcPatternGetString(set->fonts[n], FC_FILE, 0, &file) == FcResultMatch)
                    files.append(QString::fromUtf8(reinterpret_cast<const char *>(file)));
            }
            FcFontSetDestroy(set);
        }
        FcObjectSetDestroy(objects);
        FcPatternDestroy(pattern);
        return files;
    }

private Q_SLOTS:
    void initTestCase()
    {
        FontWarmUp::startInBackground();
        FontWarmUp::leaveOutWebFonts(); // waits for the worker's run, or does it
    }

    void offersNoWebCopies_data()
    {
        QTest::addColumn<QString>("suffix");
        QTest::addColumn<bool>("offered");
        QTest::newRow("woff2") << u".woff2"_s << false;
        QTest::newRow("woff") << u".woff"_s << false;
        QTest::newRow("TrueType") << u".ttf"_s << true;
    }

    void offersNoWebCopies()
    {
        QFETCH(QString, suffix);
        QFETCH(bool, offered);
        const QStringList files = offeredFiles();
        const bool found = std::any_of(
            files.cbegin(), files.cend(), [&](const QString &file) { return file.endsWith(suffix); });
        QCOMPARE(found, offered);
    }

    // The icon font comes from its TrueType file and draws the symbols.
    void iconFontStillDraws()
    {
        QVERIFY(QFontDatabase::families().contains(u"Material Icons"_s));
        QFont font(u"Material Icons"_s);
        font.setPixelSize(16);
        QCOMPARE(QFontInfo(font).family(), u"Material Icons"_s);
        const QFontMetrics metrics(font);
        QVERIFY(metrics.inFontUcs4(0xE037)); // play.fill
        QVERIFY(metrics.horizontalAdvance(QChar(0xE037)) > 0);
        // Calling again changes nothing.
        const qsizetype count = offeredFiles().size();
        FontWarmUp::leaveOutWebFonts();
        QCOMPARE(offeredFiles().size(), count);
    }
};

QTEST_MAIN(tst_FontWarmUp)
#include "tst_FontWarmUp.moc"
