#include <QtTest>

#include "Components/DownloadBadgeState.h"
#include "Components/DownloadMenuItems.h"

using namespace Qt::StringLiterals;

using Progress = std::optional<DownloadProgress>;
using Kind = DownloadBadgeState::Kind;
using Action = DownloadMenuItem::Action;

Q_DECLARE_METATYPE(Progress)
Q_DECLARE_METATYPE(DownloadBadgeState::Kind)

namespace {

Progress run(int completed, int total, bool failed = false)
{
    return DownloadProgress {total, completed, failed};
}

// One item as "text", with "[off]" when disabled, "[red]" when destructive
// and "→download" / "→remove" for its action.
QStringList describe(const QList<DownloadMenuItem> &items)
{
    QStringList out;
    for (const DownloadMenuItem &item : items) {
        QString line = item.text;
        if (!item.enabled)
            line += u" [off]"_s;
        if (item.destructive)
            line += u" [red]"_s;
        if (item.action == Action::Download)
            line += u" →download"_s;
        else if (item.action == Action::Remove)
            line += u" →remove"_s;
        out.append(line);
    }
    return out;
}

} // namespace

class TestDownloadDecisions : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void badge_data()
    {
        QTest::addColumn<bool>("recorded");
        QTest::addColumn<Progress>("progress");
        QTest::addColumn<CollectionDownloadState>("state");
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<QString>("symbol");
        QTest::addColumn<QString>("tooltip");
        QTest::addColumn<double>("fraction");

        const QString failed = u"Download failed — open the “⋯” menu to retry"_s;
        QTest::newRow("failed wins over a record and a partial state")
            << true << run(3, 10, true) << CollectionDownloadState::partial(2, 10) << Kind::Failed
            << u"exclamationmark.circle.fill"_s << failed << 0.0;
        QTest::newRow("running") << false << run(3, 12) << CollectionDownloadState::none() << Kind::Running
                                 << u""_s << u"Downloading 3 of 12"_s << 0.25;
        QTest::newRow("running over a record") << true << run(12, 12) << CollectionDownloadState::complete()
                                               << Kind::Running << u""_s << u"Downloading 12 of 12"_s << 1.0;
        QTest::newRow("a run of no songs") << false << run(0, 0) << CollectionDownloadState::none()
                                           << Kind::Running << u""_s << u"Downloading 0 of 0"_s << 0.0;
        QTest::newRow("2 of 10, partial")
            << false << Progress() << CollectionDownloadState::partial(2, 10) << Kind::Partial
            << u"arrow.down.circle.dotted"_s << u"2 of 10 songs downloaded — open the “⋯” menu to finish"_s
            << 0.0;
        QTest::newRow("recorded, none")
            << true << Progress() << CollectionDownloadState::none() << Kind::Offline
            << u"arrow.down.circle.fill"_s << u"Available offline"_s << 0.0;
        QTest::newRow("complete but not recorded")
            << false << Progress() << CollectionDownloadState::complete() << Kind::Nothing << u""_s << u""_s
            << 0.0;
        QTest::newRow("nothing") << false << Progress() << CollectionDownloadState::none() << Kind::Nothing
                                 << u""_s << u""_s << 0.0;
    }

    void badge()
    {
        QFETCH(bool, recorded);
        QFETCH(Progress, progress);
        QFETCH(CollectionDownloadState, state);
        const DownloadBadgeState badge = DownloadBadgeState::decide(recorded, progress, state);
        QTEST(badge.kind, "kind");
        QTEST(badge.symbol, "symbol");
        QTEST(badge.tooltip, "tooltip");
        QTEST(badge.fraction, "fraction");
    }

    void albumItems_data()
    {
        QTest::addColumn<Progress>("progress");
        QTest::addColumn<bool>("recorded");
        QTest::addColumn<QStringList>("items");

        const QStringList remove {u"Remove Download [red] →remove"_s};
        QTest::newRow("running") << run(2, 9) << true
                                 << QStringList {u"Downloading… (2/9) [off]"_s, u"Cancel Download →remove"_s};
        QTest::newRow("a run of no songs") << run(
            0, 0) << false << QStringList {u"Downloading… (0/0) [off]"_s, u"Cancel Download →remove"_s};
        QTest::newRow("recorded") << Progress() << true << remove;
        QTest::newRow("recorded with a failed run") << run(1, 5, true) << true << remove;
        QTest::newRow("failed") << run(1, 5,
            true) << false << QStringList {u"Retry Download →download"_s, u"Cancel Download [red] →remove"_s};
        QTest::newRow("nothing") << Progress() << false << QStringList {u"Download →download"_s};
    }

    void albumItems()
    {
        QFETCH(Progress, progress);
        QFETCH(bool, recorded);
        QTEST(describe(DownloadMenuItems::album(progress, recorded)), "items");
    }

    void playlistItems_data()
    {
        QTest::addColumn<Progress>("progress");
        QTest::addColumn<CollectionDownloadState>("state");
        QTest::addColumn<bool>("recorded");
        QTest::addColumn<QStringList>("items");

        const QString remove = u"Remove Download [red] →remove"_s;
        QTest::newRow("running wins")
            << run(4, 10) << CollectionDownloadState::partial(2, 10) << true
            << QStringList {u"Downloading… (4/10) [off]"_s, u"Cancel Download →remove"_s};
        QTest::newRow("recorded, none of its songs")
            << Progress() << CollectionDownloadState::partial(0, 7) << true
            << QStringList {u"Download Playlist →download"_s, remove};
        QTest::newRow("2 of 10") << Progress() << CollectionDownloadState::partial(2, 10) << false
                                 << QStringList {u"Download 8 More Songs →download"_s, remove};
        QTest::newRow("9 of 10, failed run not consulted")
            << run(9, 10, true) << CollectionDownloadState::partial(9, 10) << true
            << QStringList {u"Download 1 More Song →download"_s, remove};
        QTest::newRow("recorded") << Progress() << CollectionDownloadState::complete() << true
                                  << QStringList {remove};
        QTest::newRow("recorded, failed run")
            << run(0, 0, true) << CollectionDownloadState::none() << true << QStringList {remove};
        QTest::newRow("failed") << run(0, 0, true) << CollectionDownloadState::none() << false
                                << QStringList {
                                       u"Retry Download →download"_s, u"Cancel Download [red] →remove"_s};
        QTest::newRow("nothing") << Progress() << CollectionDownloadState::none() << false
                                 << QStringList {u"Download →download"_s};
    }

    void playlistItems()
    {
        QFETCH(Progress, progress);
        QFETCH(CollectionDownloadState, state);
        QFETCH(bool, recorded);
        QTEST(describe(DownloadMenuItems::playlist(progress, state, recorded)), "items");
    }
};

QTEST_GUILESS_MAIN(TestDownloadDecisions)
#include "tst_DownloadDecisions.moc"
