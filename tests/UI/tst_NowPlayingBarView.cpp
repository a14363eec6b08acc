#include <QDir>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickStyle>
#include <QQuickWindow>
#include <QRegularExpression>
#include <QtQml/qqmlextensionplugin.h>
#include <QtTest>

#include "Helpers/FakeAudioOutputSource.h"
#include "NowPlaying/NowPlayingBarViewModel.h"
#include "NowPlayingFixture.h"

Q_IMPORT_QML_PLUGIN(Lirna_UIPlugin)

using namespace NowPlayingFixture;

// The bar's views over their view models, offscreen: they load and follow
// the song, the popover and the output list without a single QML warning.
class tst_NowPlayingBarView : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QQuickStyle::setStyle(QStringLiteral("Fusion"));
        QTest::failOnWarning(QRegularExpression(QStringLiteral(".*")));
    }

    void loadsAndFollowsTheEngine()
    {
        Engine engine;
        auto *outputs = new FakeAudioOutputSource({FakeAudioOutputSource::output("a", "Speakers")});
        NowPlayingBarViewModel model(engine.controller.get(), nullptr, outputs);

        QQmlEngine qml;
        qml.addImportPath(QStringLiteral("qrc:/"));
        QQmlComponent component(&qml, QUrl(QStringLiteral("qrc:/Lirna/UI/NowPlaying/NowPlayingBar.qml")));
        QVERIFY2(component.isReady(), qPrintable(component.errorString()));
        QQuickWindow window;
        window.resize(900, 400);
        std::unique_ptr<QObject> object(
            component.createWithInitialProperties({{QStringLiteral("model"), QVariant::fromValue(&model)}}));
        QVERIFY2(object, qPrintable(component.errorString()));
        auto *bar = qobject_cast<QQuickItem *>(object.get());
        bar->setParentItem(window.contentItem());
        bar->setWidth(900);
        bar->setY(400 - bar->implicitHeight());
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        saveScreenshot(window, QStringLiteral("bar-no-song.png"));

        engine.controller->play(songs(4), client(), 0, PlaybackSource::playlist("p1", "Mix"));
        outputs->add("b", "Headset");
        model.progress()->setHovering(true);
        QTest::qWait(300);
        saveScreenshot(window, QStringLiteral("bar-playing.png"));

        model.setShowQueue(true);
        QTest::qWait(200);
        saveScreenshot(window, QStringLiteral("bar-up-next.png"));
        model.upNext()->removeAt(1);
        model.setShowQueue(false);
        engine.controller->stop();
        QTest::qWait(100);
    }

private:
    static void saveScreenshot(QQuickWindow &window, const QString &name)
    {
        QDir().mkpath(QStringLiteral("screenshots"));
        QVERIFY(window.grabWindow().save(QStringLiteral("screenshots/") + name));
    }
};

QTEST_MAIN(tst_NowPlayingBarView)
#include "tst_NowPlayingBarView.moc"
