#include <QAbstractItemModelTester>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>

#include "Helpers/FakeAudioOutputSource.h"
#include "Helpers/FakeQueuePlayer.h"
#include "NowPlaying/AudioOutputButtonViewModel.h"
#include "Platform/AudioOutputMonitor.h"

// The output monitor and the bar's output button over a scripted list of
// outputs: when the button shows, its menu, and the switch of the player.
class tst_AudioOutputButtonViewModel : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void monitorAnnouncesOnlyRealChanges();
    void buttonShowsWithASecondOutput();
    void menuListsTheOutputsAndChecksTheCurrentOne();
    void choosingSwitchesThePlayer();
    void losingTheCurrentOutputGoesBackToTheDefault();
    void aChangedOutputStaysChosen();

private:
    static QStringList menu(const AudioOutputButtonViewModel &button);
};

QStringList tst_AudioOutputButtonViewModel::menu(const AudioOutputButtonViewModel &button)
{
    QStringList items;
    for (int row = 0; row < button.rowCount(); ++row) {
        const QModelIndex index = button.index(row);
        items.append((index.data(AudioOutputButtonViewModel::CheckedRole).toBool() ? "✓" : "")
            + index.data(AudioOutputButtonViewModel::NameRole).toString());
    }
    return items;
}

void tst_AudioOutputButtonViewModel::monitorAnnouncesOnlyRealChanges()
{
    auto *source = new FakeAudioOutputSource({FakeAudioOutputSource::output("a")});
    QPointer<FakeAudioOutputSource> watched(source);
    {
        AudioOutputMonitor monitor(source);
        QVERIFY(source->running);
        QCOMPARE(monitor.outputs().size(), 1);
        QVERIFY(!monitor.routesAvailable());
        QSignalSpy routes(&monitor, &AudioOutputMonitor::routesAvailableChanged);
        QSignalSpy added(&monitor, &AudioOutputMonitor::outputAdded);
        QSignalSpy removed(&monitor, &AudioOutputMonitor::outputRemoved);

        source->add("a"); // reported twice
        source->remove("gone"); // never there
        QCOMPARE(added.count() + removed.count() + routes.count(), 0);

        source->add("b");
        QVERIFY(monitor.routesAvailable());
        source->add("c");
        source->remove("b");
        QVERIFY(monitor.routesAvailable());
        QCOMPARE(routes.count(), 1);
        source->remove("c");
        QVERIFY(!monitor.routesAvailable());
        QCOMPARE(routes.count(), 2);
        QCOMPARE(added.count(), 2);
        QCOMPARE(removed.count(), 2);
        QCOMPARE(monitor.output("a").displayName, QStringLiteral("a"));
        QVERIFY(monitor.output("b").isSystemDefault());
    }
    // The monitor stops its source and takes it along.
    QVERIFY(watched.isNull());
}

void tst_AudioOutputButtonViewModel::buttonShowsWithASecondOutput()
{
    auto *source = new FakeAudioOutputSource({FakeAudioOutputSource::output("a")});
    AudioOutputMonitor monitor(source);
    FakeQueuePlayer player;
    AudioOutputButtonViewModel button(&monitor, &player);
    QSignalSpy shown(&button, &AudioOutputButtonViewModel::isShownChanged);
    QVERIFY(!button.isShown());
    source->add("b");
    QVERIFY(button.isShown());
    source->remove("b");
    QVERIFY(!button.isShown());
    QCOMPARE(shown.count(), 2);
    QCOMPARE(button.tooltip(), QStringLiteral("Audio Output"));
}

void tst_AudioOutputButtonViewModel::menuListsTheOutputsAndChecksTheCurrentOne()
{
    auto *source = new FakeAudioOutputSource({FakeAudioOutputSource::output("a", "Speakers")});
    AudioOutputMonitor monitor(source);
    FakeQueuePlayer player;
    AudioOutputButtonViewModel button(&monitor, &player);
    QAbstractItemModelTester tester(&button, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QCOMPARE(menu(button), (QStringList {"✓System Default", "Speakers"}));

    QSignalSpy inserted(&button, &QAbstractItemModel::rowsInserted);
    QSignalSpy removed(&button, &QAbstractItemModel::rowsRemoved);
    source->add("b", "Headset");
    source->add("c", "Living Room");
    source->remove("a");
    QCOMPARE(menu(button), (QStringList {"✓System Default", "Headset", "Living Room"}));
    QCOMPARE(inserted.count(), 2);
    QCOMPARE(removed.count(), 1);
    QCOMPARE(removed.first().at(1).toInt(), 1);
}

void tst_AudioOutputButtonViewModel::choosingSwitchesThePlayer()
{
    auto *source = new FakeAudioOutputSource(
        {FakeAudioOutputSource::output("a", "Speakers"), FakeAudioOutputSource::output("b", "Headset")});
    AudioOutputMonitor monitor(source);
    FakeQueuePlayer player;
    AudioOutputButtonViewModel button(&monitor, &player);
    QSignalSpy changed(&button, &QAbstractItemModel::dataChanged);

    button.choose(2);
    QCOMPARE(player.outputSwitches, QStringList {"b"});
    QCOMPARE(menu(button), (QStringList {"System Default", "Speakers", "✓Headset"}));
    QCOMPARE(changed.count(), 2); // the old check and the new one

    button.choose(2); // already there
    button.choose(7); // no such item
    button.choose(0);
    QCOMPARE(player.outputSwitches, (QStringList {"b", ""}));
    QCOMPARE(menu(button), (QStringList {"✓System Default", "Speakers", "Headset"}));
}

void tst_AudioOutputButtonViewModel::losingTheCurrentOutputGoesBackToTheDefault()
{
    auto *source = new FakeAudioOutputSource(
        {FakeAudioOutputSource::output("a", "Speakers"), FakeAudioOutputSource::output("b", "Headset")});
    AudioOutputMonitor monitor(source);
    FakeQueuePlayer player;
    AudioOutputButtonViewModel button(&monitor, &player);
    button.choose(2);
    source->remove("b");
    QCOMPARE(player.outputSwitches, (QStringList {"b", ""}));
    QCOMPARE(menu(button), (QStringList {"✓System Default", "Speakers"}));
    // Another output going away changes nothing for the player.
    source->remove("a");
    QCOMPARE(player.outputSwitches.size(), 2);
}

// The sound server reports its outputs changed when, say, the system's
// default moves to another one: the output chosen is still there.
void tst_AudioOutputButtonViewModel::aChangedOutputStaysChosen()
{
    auto *source = new FakeAudioOutputSource(
        {FakeAudioOutputSource::output("a", "Speakers"), FakeAudioOutputSource::output("b", "Headset")});
    AudioOutputMonitor monitor(source);
    FakeQueuePlayer player;
    AudioOutputButtonViewModel button(&monitor, &player);
    QAbstractItemModelTester tester(&button, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QSignalSpy removed(&button, &QAbstractItemModel::rowsRemoved);
    button.choose(2);
    source->change("b", "b", "Headset (USB)");
    source->change("a", "a", "Speakers");
    QCOMPARE(player.outputSwitches, QStringList {"b"});
    QCOMPARE(menu(button), (QStringList {"System Default", "Speakers", "✓Headset (USB)"}));
    QCOMPARE(monitor.output("b").displayName, QStringLiteral("Headset (USB)"));

    // Known by a new name now: the player follows it there.
    source->change("b", "b2", "Headset");
    QCOMPARE(player.outputSwitches, (QStringList {"b", "b2"}));
    QCOMPARE(menu(button), (QStringList {"System Default", "Speakers", "✓Headset"}));
    QVERIFY(removed.isEmpty());
}

QTEST_GUILESS_MAIN(tst_AudioOutputButtonViewModel)
#include "tst_AudioOutputButtonViewModel.moc"
