#include <QSignalSpy>
#include <QTest>

#include "NowPlaying/VolumeControlViewModel.h"
#include "NowPlayingFixture.h"
#include "Symbols.h"

using namespace NowPlayingFixture;

// The speaker button and its slider: mute and unmute, key steps, texts and
// the slider's hover delay.
class tst_VolumeControlViewModel : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void muteRemembersTheLevel();
    void unmuteFallsBackToHalf_data();
    void unmuteFallsBackToHalf();
    void levelTexts_data();
    void levelTexts();
    void nudges_data();
    void nudges();
    void keysNeedTheFocus();
    void sliderFollowsHoverWithADelay();
    void sliderDragSetsTheLevel();

private:
    std::unique_ptr<Engine> m_engine;
    BarFocus *m_focus = nullptr;
    std::unique_ptr<VolumeControlViewModel> m_control;
};

void tst_VolumeControlViewModel::init()
{
    m_engine = std::make_unique<Engine>();
    m_focus = new BarFocus(m_engine->controller.get());
    m_control = std::make_unique<VolumeControlViewModel>(m_engine->controller.get(), m_focus);
    m_control->setHideDelay(40);
}

void tst_VolumeControlViewModel::cleanup()
{
    m_control.reset();
    m_engine.reset();
}

void tst_VolumeControlViewModel::muteRemembersTheLevel()
{
    m_engine->controller->setVolume(0.375f);
    m_control->toggleMute();
    QCOMPARE(m_engine->controller->volume(), 0.0f);
    QCOMPARE(m_control->volumeBeforeMute(), 0.375f);
    QCOMPARE(m_control->symbol(), QStringLiteral("speaker.slash.fill"));
    QCOMPARE(m_control->tooltip(), QStringLiteral("Unmute"));
    m_control->toggleMute();
    QCOMPARE(m_engine->controller->volume(), 0.375f);
    QCOMPARE(m_control->tooltip(), QStringLiteral("Mute"));

    // Down to 0 with the slider, then the button: back to the last mute's level.
    m_control->dragTo(0, 84);
    QVERIFY(m_control->isMuted());
    m_control->toggleMute();
    QCOMPARE(m_engine->controller->volume(), 0.375f);
}

void tst_VolumeControlViewModel::unmuteFallsBackToHalf_data()
{
    QTest::addColumn<float>("start");
    QTest::addColumn<float>("after");
    // Never muted through the button: the level to go back to is a half.
    QTest::newRow("silent") << 0.0f << 0.5f;
    QTest::newRow("nearly silent counts as muted") << 0.0005f << 0.5f;
    QTest::newRow("audible mutes") << 0.002f << 0.0f;
}

void tst_VolumeControlViewModel::unmuteFallsBackToHalf()
{
    QFETCH(float, start);
    m_engine->controller->setVolume(start);
    m_control->toggleMute();
    QTEST(m_engine->controller->volume(), "after");
}

void tst_VolumeControlViewModel::levelTexts_data()
{
    QTest::addColumn<float>("volume");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("symbol");
    QTest::newRow("three eighths") << 0.375f << "38 percent"
                                   << "speaker.wave.1.fill";
    QTest::newRow("silent") << 0.0f << "0 percent"
                            << "speaker.slash.fill";
    QTest::newRow("low") << 0.2f << "20 percent"
                         << "speaker.fill";
    QTest::newRow("full") << 1.0f << "100 percent"
                          << "speaker.wave.3.fill";
    QTest::newRow("half a percent") << 0.005f << "1 percent"
                                    << "speaker.fill";
}

void tst_VolumeControlViewModel::levelTexts()
{
    QFETCH(float, volume);
    QFETCH(QString, symbol);
    m_engine->controller->setVolume(volume);
    QTEST(m_control->accessibleValue(), "value");
    QCOMPARE(m_control->symbol(), symbol);
    QVERIFY(Symbols::contains(symbol));
    QCOMPARE(m_control->accessibleName(), QStringLiteral("Volume"));
}

void tst_VolumeControlViewModel::nudges_data()
{
    QTest::addColumn<float>("start");
    QTest::addColumn<int>("key");
    QTest::addColumn<float>("after");
    QTest::newRow("up at 0.98") << 0.98f << int(Qt::Key_Up) << 1.0f;
    QTest::newRow("right at 1.0") << 1.0f << int(Qt::Key_Right) << 1.0f;
    QTest::newRow("down at 0.02") << 0.02f << int(Qt::Key_Down) << 0.0f;
    QTest::newRow("left at half") << 0.5f << int(Qt::Key_Left) << 0.45f;
}

void tst_VolumeControlViewModel::nudges()
{
    QFETCH(float, start);
    QFETCH(int, key);
    m_engine->controller->setVolume(start);
    m_focus->setControl(BarFocus::Volume);
    QVERIFY(m_control->handleKey(key));
    QTEST(m_engine->controller->volume(), "after");
    // The slider stays out until the focus moves elsewhere.
    QVERIFY(m_control->sliderShown());
    m_focus->setControl(BarFocus::None);
    QVERIFY(!m_control->sliderShown());
}

void tst_VolumeControlViewModel::keysNeedTheFocus()
{
    m_engine->controller->setVolume(0.5f);
    QVERIFY(!m_control->handleKey(Qt::Key_Up));
    m_focus->setControl(BarFocus::Volume);
    QVERIFY(!m_control->handleKey(Qt::Key_Space));
    QCOMPARE(m_engine->controller->volume(), 0.5f);

    // An accessibility step without the focus changes the level only.
    m_focus->setControl(BarFocus::Scrubber);
    m_control->nudge(+1);
    QCOMPARE(m_engine->controller->volume(), 0.55f);
    QVERIFY(!m_control->isAdjustingByKey());
}

void tst_VolumeControlViewModel::sliderFollowsHoverWithADelay()
{
    // A delay that a busy machine cannot overrun between the leave and the
    // enter below; the wait after the enter outlasts it.
    constexpr int HideDelayMs = 500;
    m_control->setHideDelay(HideDelayMs);
    QSignalSpy slider(m_control.get(), &VolumeControlViewModel::sliderChanged);
    m_control->setHover(true);
    QVERIFY(m_control->sliderShown());
    // From the button onto the slider: the leave and the enter cross.
    m_control->setHover(false);
    QTest::qWait(10);
    m_control->setHover(true);
    QTest::qWait(2 * HideDelayMs);
    QVERIFY(m_control->sliderShown());
    QCOMPARE(slider.count(), 1);

    m_control->setHover(false);
    QVERIFY(m_control->sliderShown());
    QTRY_VERIFY(!m_control->sliderShown());
    QCOMPARE(slider.count(), 2);
}

void tst_VolumeControlViewModel::sliderDragSetsTheLevel()
{
    const QList<std::pair<double, float>> drags {{42, 0.5f}, {-10, 0.0f}, {200, 1.0f}, {21, 0.25f}};
    for (const auto &[x, level] : drags) {
        m_control->dragTo(x, 84);
        QCOMPARE(m_control->volume(), level);
    }
}

QTEST_GUILESS_MAIN(tst_VolumeControlViewModel)
#include "tst_VolumeControlViewModel.moc"
