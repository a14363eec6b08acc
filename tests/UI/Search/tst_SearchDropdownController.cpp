#include <QSignalSpy>
#include <QtTest>

#include "Helpers/TestHttpServer.h"
#include "Library/LibraryFixtures.h"
#include "SearchDropdownController.h"

using namespace Qt::StringLiterals;

namespace {

// A "search3" answer with one artist, one album and one song named after the query.
TestHttpServer::Response answerFor(const QString &query, int delayMs = 0)
{
    const QByteArray q = query.toUtf8();
    TestHttpServer::Response response = TestHttpServer::ok(
        R"("searchResult3":{"artist":[{"id":"ar","name":"A )" + q + R"("}],"album":[{"id":"al","name":"B )"
        + q + R"(","artist":"A"}],)" + R"("song":[{"id":"s","title":"C )" + q
        + R"(","album":"B","albumId":"al2","artist":"A","artistId":"ar",)"
        + R"("coverArt":"cv"},{"id":"t","title":"Loose"}]})");
    response.delayMs = delayMs;
    return response;
}

} // namespace

// The search dropdown against the loopback server: one request per pause in
// the typing, stale answers dropped, and the keys and picks of the panel.
class TestSearchDropdownController : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestHttpServer> m_server;
    std::unique_ptr<SearchDropdownController> m_controller;

    QStringList searches() const
    {
        QStringList queries;
        for (const auto &request : m_server->requests()) {
            if (request.path() == "/rest/search3")
                queries.append(request.queryValue(u"query"_s));
        }
        return queries;
    }

    // Types `text` and waits until its answer shows.
    void openWith(const QString &text, bool focused = true)
    {
        m_controller->fieldFocusChanged(focused);
        m_controller->handle(text);
        QTRY_VERIFY(m_controller->isOpen());
        QCOMPARE(m_controller->model()->query(), text);
    }

private Q_SLOTS:
    void init()
    {
        m_server = std::make_unique<TestHttpServer>();
        QVERIFY(m_server->listen());
        m_server->setHandler([](const TestHttpServer::Request &request) {
            const QString query = request.queryValue(u"query"_s);
            return answerFor(query, query == u"slow"_s ? 400 : 0);
        });
        m_controller = std::make_unique<SearchDropdownController>();
        m_controller->setClient(LibraryFixtures::clientFor(*m_server));
        m_controller->setDebounce(std::chrono::milliseconds(60));
    }

    void cleanup()
    {
        m_controller.reset();
        m_server.reset();
    }

    void text_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("searched"); // empty: closes the panel
        QTest::newRow("one letter") << u"a"_s << QString();
        QTest::newRow("two spaces") << u"  "_s << QString();
        QTest::newRow("blanks around") << u" \tab "_s << u"ab"_s;
        QTest::newRow("one accented letter") << u"e\u0301"_s << QString();
        QTest::newRow("line break kept") << u"a\n"_s << u"a\n"_s;
    }

    void text()
    {
        QFETCH(QString, typed);
        QFETCH(QString, searched);
        openWith(u"xy"_s);
        m_controller->handle(typed);
        if (searched.isEmpty()) {
            QVERIFY(!m_controller->isOpen());
            QTest::qWait(150);
            QCOMPARE(searches(), QStringList {u"xy"_s});
        } else {
            QTRY_COMPARE(m_controller->model()->query(), searched);
            QCOMPARE(searches(), (QStringList {u"xy"_s, searched}));
            const auto sent = m_server->requests().last().queryItems();
            QCOMPARE(QList(sent.end() - 5, sent.end()),
                (QList<std::pair<QString, QString>> {{u"query"_s, searched}, {u"artistCount"_s, u"5"_s},
                    {u"albumCount"_s, u"7"_s}, {u"songCount"_s, u"10"_s}, {u"songOffset"_s, u"0"_s}}));
        }
    }

    // Keystrokes inside the pause send nothing; the last one searches once.
    void oneSearchPerPause()
    {
        m_controller->fieldFocusChanged(true);
        for (const QString &typed : {u"ab"_s, u"abc"_s, u"abcd"_s})
            m_controller->handle(typed);
        QTRY_VERIFY(m_controller->isOpen());
        QTest::qWait(150);
        QCOMPARE(searches(), QStringList {u"abcd"_s});
        QCOMPARE(m_controller->model()->version(), 1);
        QCOMPARE(m_controller->model()->rowCount(), 4);
    }

    // An answer that comes after a newer keystroke never shows.
    void staleAnswerDropped()
    {
        m_controller->fieldFocusChanged(true);
        m_controller->handle(u"slow"_s);
        QTRY_COMPARE(searches(), QStringList {u"slow"_s});
        m_controller->handle(u"fast"_s);
        QTRY_VERIFY(m_controller->isOpen());
        QTest::qWait(500); // the slow answer's time has come and gone
        QCOMPARE(m_controller->model()->query(), u"fast"_s);
        QCOMPARE(m_controller->model()->version(), 1);
    }

    void failedSearchChangesNothing()
    {
        openWith(u"ab"_s);
        m_server->setHandler(
            [](const TestHttpServer::Request &) { return TestHttpServer::failed(0, "Boom"); });
        m_controller->handle(u"abc"_s);
        QTRY_COMPARE(searches().size(), 2);
        QTest::qWait(50);
        QVERIFY(m_controller->isOpen());
        QCOMPARE(m_controller->model()->query(), u"ab"_s);
    }

    // Keys as the field hands them over: (focused, key) → taken, open after,
    // highlight after. The panel starts open on rows A, B, C and Loose.
    void keys_data()
    {
        QTest::addColumn<bool>("focused");
        QTest::addColumn<QList<int>>("keys");
        QTest::addColumn<QList<bool>>("taken");
        QTest::addColumn<bool>("open");
        QTest::addColumn<int>("highlight");
        QTest::newRow("arrows") << true << QList<int> {Qt::Key_Down, Qt::Key_Down, Qt::Key_Up}
                                << QList<bool> {true, true, true} << true << 1;
        QTest::newRow("other keys pass")
            << true << QList<int> {Qt::Key_A, Qt::Key_Left} << QList<bool> {false, false} << true << 0;
        QTest::newRow("escape closes and passes")
            << true << QList<int> {Qt::Key_Escape, Qt::Key_Down} << QList<bool> {false, false} << false << 0;
        QTest::newRow("return picks")
            << true << QList<int> {Qt::Key_Return} << QList<bool> {true} << false << 0;
        QTest::newRow("keypad enter picks")
            << true << QList<int> {Qt::Key_Enter} << QList<bool> {true} << false << 0;
        // Open without the field's focus (it was never reported): another
        // control's keys are not the dropdown's.
        QTest::newRow("no focus") << false << QList<int> {Qt::Key_Down, Qt::Key_Return, Qt::Key_Escape}
                                  << QList<bool> {false, false, false} << true << 0;
    }

    void keys()
    {
        QFETCH(bool, focused);
        QFETCH(QList<int>, keys);
        QFETCH(QList<bool>, taken);
        openWith(u"ab"_s, focused);
        QSignalSpy picked(m_controller.get(), &SearchDropdownController::picked);
        QList<bool> seen;
        for (int key : std::as_const(keys))
            seen.append(m_controller->handleKey(key));
        QCOMPARE(seen, taken);
        QTEST(m_controller->isOpen(), "open");
        QTEST(m_controller->model()->highlighted(), "highlight");
        const bool picks = focused && (keys.first() == Qt::Key_Return || keys.first() == Qt::Key_Enter);
        QCOMPARE(picked.count(), picks ? 1 : 0);
    }

    // What each row opens: an artist, an album, a song's album, or nothing
    // for a song without an album id.
    void picks()
    {
        openWith(u"ab"_s);
        QSignalSpy picked(m_controller.get(), &SearchDropdownController::picked);
        QSignalSpy artists(m_controller.get(), &SearchDropdownController::openArtistRequested);
        QSignalSpy albums(m_controller.get(), &SearchDropdownController::openAlbumRequested);
        m_controller->pick(9); // no such row
        QCOMPARE(picked.count(), 0);
        QVERIFY(m_controller->isOpen());

        for (int row = 0; row < 4; ++row)
            m_controller->pick(row);
        QVERIFY(!m_controller->isOpen());
        QCOMPARE(picked.count(), 4);
        QCOMPARE(artists.count(), 1);
        QCOMPARE(artists.first().first().value<Artist>().name, u"A ab"_s);
        QCOMPARE(albums.count(), 2);
        QCOMPARE(albums.at(0).first().value<Album>().id, u"al"_s);
        Album songAlbum;
        songAlbum.id = u"al2"_s;
        songAlbum.name = u"B"_s;
        songAlbum.artist = u"A"_s;
        songAlbum.artistId = u"ar"_s;
        songAlbum.coverArt = u"cv"_s;
        QCOMPARE(albums.at(1).first().value<Album>(), songAlbum);
        QCOMPARE(picked.last().first().value<SearchSuggestion>().songRecord().title, u"Loose"_s);
    }

    // Leaving the field or the window closes the panel and drops a search
    // still waiting.
    void focusLossCloses_data()
    {
        QTest::addColumn<bool>("window");
        QTest::newRow("field") << false;
        QTest::newRow("window") << true;
    }

    void focusLossCloses()
    {
        QFETCH(bool, window);
        openWith(u"ab"_s);
        m_controller->handle(u"abc"_s);
        if (window)
            m_controller->windowActiveChanged(false);
        else
            m_controller->fieldFocusChanged(false);
        QVERIFY(!m_controller->isOpen());
        QTest::qWait(150);
        QVERIFY(!m_controller->isOpen());
        QCOMPARE(searches(), QStringList {u"ab"_s});
    }

    void panelGeometry_data()
    {
        QTest::addColumn<QRectF>("field");
        QTest::addColumn<qreal>("content");
        QTest::addColumn<QRectF>("panel");
        // In a window of 1000 × 700.
        QTest::newRow("right-aligned") << QRectF(700, 10, 200, 30) << 300.0 << QRectF(520, 46, 380, 300);
        QTest::newRow("wide field") << QRectF(400, 10, 450, 30) << 300.0 << QRectF(400, 46, 450, 300);
        QTest::newRow("near the left edge") << QRectF(100, 10, 200, 30) << 300.0 << QRectF(10, 46, 380, 300);
        QTest::newRow("cut at the bottom") << QRectF(700, 10, 200, 30) << 900.0 << QRectF(520, 46, 380, 642);
        QTest::newRow("never under 40") << QRectF(700, 660, 200, 30) << 300.0 << QRectF(520, 696, 380, 40);
    }

    void panelGeometry()
    {
        QFETCH(QRectF, field);
        QFETCH(qreal, content);
        QTEST(SearchDropdownController::panelGeometry(field, QSizeF(1000, 700), content), "panel");
    }
};

QTEST_GUILESS_MAIN(TestSearchDropdownController)
#include "tst_SearchDropdownController.moc"
