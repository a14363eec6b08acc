#include <QSettings>
#include <QSignalSpy>
#include <QTest>

#include "NowPlaying/ProgressStripViewModel.h"
#include "NowPlayingFixture.h"

using namespace NowPlayingFixture;

// The position strip: its texts, the drag preview with one seek on release,
// the key and accessibility steps, and the total/remaining choice.
class tst_ProgressStripViewModel : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void texts_data();
    void texts();
    void disabledWithoutADuration();
    void dragPreviewsAndSeeksOnce();
    void dragDropsOnlyTheTracksFocus();
    void steps_data();
    void steps();
    void accessibilityStepWithoutFocusKeepsTheRowHidden();
    void showTotalTimeIsRemembered();
    void advancesOnlyWhilePlaying();
    void unloadingStartsAfresh();

private:
    void load(std::optional<qint64> duration = 200);

    std::unique_ptr<Engine> m_engine;
    BarFocus *m_focus = nullptr;
    std::unique_ptr<ProgressStripViewModel> m_strip;
};

void tst_ProgressStripViewModel::init()
{
    QSettings().remove("showTotalTime");
    m_engine = std::make_unique<Engine>();
    m_focus = new BarFocus(m_engine->controller.get());
    m_strip = std::make_unique<ProgressStripViewModel>(m_engine->controller.get(), m_focus);
}

void tst_ProgressStripViewModel::cleanup()
{
    m_strip.reset();
    m_engine.reset();
}

void tst_ProgressStripViewModel::load(std::optional<qint64> duration)
{
    m_engine->controller->play({song(1, "al", "Album", "Artist", "ar", duration), song(2)}, client(), 0, {});
}

void tst_ProgressStripViewModel::texts_data()
{
    QTest::addColumn<double>("position");
    QTest::addColumn<bool>("showTotal");
    QTest::addColumn<double>("progress");
    QTest::addColumn<QString>("elapsed");
    QTest::addColumn<QString>("trailing");
    QTest::addColumn<QString>("value");
    QTest::newRow("start") << 0.0 << false << 0.0 << "0:00"
                           << "-03:20"
                           << "0:00 of 3:20";
    QTest::newRow("halfway, total") << 100.0 << true << 0.5 << "1:40"
                                    << "3:20"
                                    << "1:40 of 3:20";
    QTest::newRow("past the end") << 250.0 << false << 1.0 << "4:10"
                                  << "-00:00"
                                  << "4:10 of 3:20";
    QTest::newRow("negative") << -5.0 << false << 0.0 << "--:--"
                              << "-03:25"
                              << "--:-- of 3:20";
}

void tst_ProgressStripViewModel::texts()
{
    QFETCH(double, position);
    QFETCH(bool, showTotal);
    load();
    m_strip->setShowTotalTime(showTotal);
    m_engine->controller->seek(position);
    QTEST(m_strip->progress(), "progress");
    QTEST(m_strip->elapsedText(), "elapsed");
    QTEST(m_strip->trailingText(), "trailing");
    QTEST(m_strip->accessibleValue(), "value");
    QCOMPARE(m_strip->trailingTooltip(), QString(showTotal ? "Show Time Remaining" : "Show Total Time"));
    QCOMPARE(m_strip->accessibleName(), QStringLiteral("Playback Position"));
}

void tst_ProgressStripViewModel::disabledWithoutADuration()
{
    for (bool loaded : {false, true}) {
        if (loaded)
            load(std::nullopt);
        QVERIFY(!m_strip->isEnabled());
        QCOMPARE(m_strip->progress(), 0.0);
        QCOMPARE(m_strip->trailingText(), QStringLiteral("--:--"));
        QCOMPARE(m_strip->accessibleValue(), QStringLiteral("0:00 of 0:00"));
        m_strip->dragMoved(50, 100);
        m_strip->dragEnded(50, 100);
        m_strip->adjust(+1);
        QVERIFY(!m_strip->handleKey(Qt::Key_Right));
        QVERIFY(!m_strip->isScrubbing());
        QVERIFY(m_engine->player->seeks.isEmpty());
    }
}

void tst_ProgressStripViewModel::dragPreviewsAndSeeksOnce()
{
    load();
    m_engine->controller->seek(20);
    m_engine->player->seeks.clear();
    QSignalSpy active(m_strip.get(), &ProgressStripViewModel::activeChanged);

    // Off the track on either side the fraction sticks to its end.
    const QList<std::pair<double, QString>> moves {{-30, "0:00"}, {25, "0:50"}, {140, "3:20"}, {75, "2:30"}};
    for (const auto &[x, elapsed] : moves) {
        m_strip->dragMoved(x, 100);
        QCOMPARE(m_strip->elapsedText(), elapsed);
    }
    QVERIFY(m_strip->isScrubbing());
    QVERIFY(m_strip->isActive());
    QCOMPARE(m_strip->thickness(), ProgressStripViewModel::ActiveThickness);
    // The engine's ticks do not move the preview.
    m_engine->player->tick(21);
    QTRY_COMPARE(m_engine->controller->currentTime(), 21.0);
    QCOMPARE(m_strip->displayedTime(), 150.0);
    QVERIFY(m_engine->player->seeks.isEmpty());

    m_strip->dragEnded(75, 100);
    QCOMPARE(m_engine->player->seeks, QList<double> {150.0});
    QVERIFY(!m_strip->isScrubbing());
    QCOMPARE(m_strip->thickness(), ProgressStripViewModel::QuietThickness);
    QCOMPARE(active.count(), 2);
    // After the release the engine's position shows again.
    m_engine->player->tick(151);
    QTRY_COMPARE(m_strip->elapsedText(), QStringLiteral("2:31"));

    // A click without movement seeks to the clicked place.
    m_strip->dragEnded(10, 100);
    QCOMPARE(m_engine->player->seeks.last(), 20.0);
}

void tst_ProgressStripViewModel::dragDropsOnlyTheTracksFocus()
{
    load();
    for (BarFocus::Control holder : {BarFocus::Scrubber, BarFocus::Volume}) {
        m_focus->setControl(holder);
        m_strip->dragMoved(10, 100);
        QCOMPARE(m_focus->control(), holder == BarFocus::Scrubber ? BarFocus::None : holder);
        m_focus->setControl(holder);
        m_strip->dragEnded(10, 100);
        QCOMPARE(m_focus->control(), holder == BarFocus::Scrubber ? BarFocus::None : holder);
    }
}

void tst_ProgressStripViewModel::steps_data()
{
    QTest::addColumn<double>("position");
    QTest::addColumn<int>("key");
    QTest::addColumn<double>("seek");
    QTest::newRow("right at 98 %") << 196.0 << int(Qt::Key_Right) << 200.0;
    QTest::newRow("left at 3 %") << 6.0 << int(Qt::Key_Left) << 0.0;
    QTest::newRow("right at half") << 100.0 << int(Qt::Key_Right) << 110.0;
}

void tst_ProgressStripViewModel::steps()
{
    QFETCH(double, position);
    QFETCH(int, key);
    QFETCH(double, seek);
    load();
    m_engine->controller->seek(position);
    m_engine->player->seeks.clear();
    m_focus->setControl(BarFocus::Scrubber);
    QVERIFY(m_strip->handleKey(key));
    QCOMPARE(m_engine->player->seeks.size(), 1);
    QVERIFY(qFuzzyCompare(1 + m_engine->player->seeks.first(), 1 + seek));
    QVERIFY(m_strip->isKeyboardAdjusting());
    QVERIFY(!m_strip->handleKey(Qt::Key_Up));
    // The row stays up until the focus leaves the track.
    m_focus->setControl(BarFocus::Volume);
    QVERIFY(!m_strip->isKeyboardAdjusting());
}

void tst_ProgressStripViewModel::accessibilityStepWithoutFocusKeepsTheRowHidden()
{
    load();
    m_strip->adjust(+1);
    QCOMPARE(m_engine->player->seeks.size(), 1);
    QVERIFY(!m_strip->isKeyboardAdjusting());
    QVERIFY(!m_strip->isActive());
}

void tst_ProgressStripViewModel::showTotalTimeIsRemembered()
{
    load();
    QVERIFY(!m_strip->showTotalTime());
    m_strip->toggleShowTotalTime();
    QCOMPARE(m_strip->trailingText(), QStringLiteral("3:20"));
    QCOMPARE(QSettings().value("showTotalTime").toBool(), true);
    ProgressStripViewModel another(m_engine->controller.get(), m_focus);
    QVERIFY(another.showTotalTime());
}

void tst_ProgressStripViewModel::advancesOnlyWhilePlaying()
{
    QVERIFY(!m_strip->isAdvancing());
    QSignalSpy advancing(m_strip.get(), &ProgressStripViewModel::advancingChanged);
    load();
    QVERIFY(m_strip->isAdvancing());
    QCOMPARE(m_strip->progressPerUpdate(), 0.5 / 200);
    QCOMPARE(m_strip->updateIntervalMs(), 500);
    m_strip->dragMoved(10, 100);
    QVERIFY(!m_strip->isAdvancing());
    m_strip->dragEnded(10, 100);
    QVERIFY(m_strip->isAdvancing());
    m_engine->controller->togglePlayPause();
    QVERIFY(!m_strip->isAdvancing());
    QCOMPARE(advancing.count(), 4);
}

void tst_ProgressStripViewModel::unloadingStartsAfresh()
{
    load();
    m_strip->setHovering(true);
    m_focus->setControl(BarFocus::Scrubber);
    m_strip->adjust(+1);
    QVERIFY(m_strip->isHovering() && m_strip->isKeyboardAdjusting());
    m_engine->controller->stop();
    QVERIFY(!m_strip->isHovering());
    QVERIFY(!m_strip->isKeyboardAdjusting());

    load();
    m_strip->dragMoved(50, 100);
    QVERIFY(m_strip->isScrubbing());
    m_engine->controller->stop();
    QVERIFY(!m_strip->isScrubbing());
    QCOMPARE(m_strip->displayedTime(), 0.0);
}

QTEST_GUILESS_MAIN(tst_ProgressStripViewModel)
#include "tst_ProgressStripViewModel.moc"
