#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

#include "Helpers/FakePlaylistServer.h"
#include "Helpers/UI/PageHarness.h"
#include "Helpers/UI/QmlWarningGuard.h"

class QNetworkAccessManager;
class QQuickItem;
class PlaylistDetailViewModel;

// What the suites of the playlist page share: the page of playlist "p1" in
// its window over a loopback server, and the pointer's ways with its rows.
class PlaylistPageSuite : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Each suite's own: QTest runs these of the base class too.
    void initTestCase() { m_warnings.install(); }
    void cleanup()
    {
        closePage();
        LIRNA_VERIFY_NO_QML_WARNINGS(m_warnings);
    }

protected:
    // The answer of a read of "p1" holding `ids`.
    static QByteArray playlistAnswer(const QStringList &ids, const QString &name = QStringLiteral("Mix"));

    // The page of playlist "p1" holding `ids`, loaded.
    bool open(const QStringList &ids, QNetworkAccessManager *manager = nullptr);
    // The page of "p1" over a server that keeps the list and applies the
    // writes as a Subsonic server does.
    bool openOnFake(const QStringList &ids);
    // Leaves the page and comes back to it: a new page of "p1".
    bool reopen();
    // The page goes, then its server.
    void closePage();

    // The row's delegate, once it is laid out where the list has that row.
    QQuickItem *rowItem(int row) const;
    QObject *rowMenu() const;
    // Removes the row through its menu, with the pointer.
    void removeWithMenu(int row);
    // Presses on row `from`, moves the pointer over row `to` in small steps
    // and lets go there.
    void dragWithPointer(int from, int to);

    QStringList shown() const;
    bool renamedTo(const QString &name) const;
    // The requests of the playlist's writes, in order, as "order a,b" / "remove i" / "rename n".
    QStringList writes() const;

    QmlWarningGuard m_warnings;
    std::unique_ptr<PageHarness> m_harness;
    std::unique_ptr<FakePlaylistServer> m_fake;
    QQuickItem *m_page = nullptr;
    PlaylistDetailViewModel *m_vm = nullptr;
};
