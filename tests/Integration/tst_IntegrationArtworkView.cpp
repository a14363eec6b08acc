// LIRNA_TEST_NEEDS_QML
#include <QDir>
#include <QNetworkAccessManager>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickStyle>
#include <QQuickWindow>
#include <QTemporaryDir>
#include <QtQml/qqmlextensionplugin.h>
#include <QtTest>

#include "Components/ArtworkClient.h"
#include "Components/CoverImage.h"
#include "Downloads/ArtworkFetcher.h"
#include "Helpers/UI/QmlWarningGuard.h"
#include "Helpers/UI/UiTest.h"
#include "IntegrationServer.h"

Q_IMPORT_QML_PLUGIN(Lirna_UIPlugin)

using namespace Qt::StringLiterals;

namespace {

const char *const Scene = R"(
import QtQuick
import Lirna.UI
Rectangle {
    id: root
    required property var covers
    required property var mixed
    required property var single
    required property ArtworkClient artwork
    width: 660; height: 400
    color: Theme.content
    Grid {
        x: 20; y: 20
        columns: 5
        spacing: 16
        Repeater {
            model: root.covers
            ArtworkView {
                required property string modelData
                width: 96; height: 96
                requestSize: 96
                cornerRadius: 8
                coverArt: modelData
                client: root.artwork
            }
        }
    }
    Row {
        x: 20; y: 230
        spacing: 24
        CollectionArtworkView { objectName: "collage"; size: 150; cornerRadius: 10; songs: root.mixed; client: root.artwork }
        CollectionArtworkView { objectName: "single"; size: 150; cornerRadius: 10; songs: root.single; client: root.artwork }
        ArtworkView { objectName: "none"; width: 150; height: 150; requestSize: 150; cornerRadius: 10; client: root.artwork }
    }
}
)";

} // namespace

// Cover views on supysonic's real covers (a flat colour with a white disc in
// the middle), drawn in a window; the screenshot is kept to look at.
class TestIntegrationArtworkView : public QObject
{
    Q_OBJECT

    std::optional<IntegrationServer> m_server;
    QNetworkAccessManager *m_manager = nullptr;
    UrlSession *m_session = nullptr;
    SubsonicClient m_client;
    QmlWarningGuard m_warnings;

private Q_SLOTS:
    void initTestCase()
    {
        QQuickStyle::setStyle(u"Basic"_s);
        m_warnings.install();
        LIRNA_LOAD_INTEGRATION_SERVER(m_server);
        m_manager = new QNetworkAccessManager(this);
        m_session = new UrlSession(m_manager, 15'000);
        m_client = SubsonicClient(m_server->config(0), m_session);
    }

    void coversFromTheServerAreDrawn()
    {
        const QList<Album> albums
            = TestAwait::await(m_client.albums(AlbumListType::AlphabeticalByName, 10, 0));
        QStringList covers;
        for (const Album &album : albums) {
            if (album.coverArt)
                covers << *album.coverArt;
        }
        QVERIFY(covers.size() >= 4);
        const QList<Song> songs = TestAwait::await(m_client.songs(60, 0));
        QList<Song> single;
        for (const Song &song : songs) {
            if (song.albumId == songs.first().albumId)
                single << song;
        }

        QTemporaryDir cache;
        ArtworkFetcher fetcher(cache.path(), m_session);
        ArtworkClient artwork(&fetcher);
        artwork.setClient(m_client);

        QQmlEngine engine;
        engine.addImportPath(u"qrc:/"_s);
        QQmlComponent component(&engine);
        component.setData(Scene, QUrl(u"qrc:/test/Covers.qml"_s));
        std::unique_ptr<QObject> object(component.createWithInitialProperties(
            {{u"covers"_s, covers}, {u"mixed"_s, QVariant::fromValue(songs)},
                {u"single"_s, QVariant::fromValue(single)}, {u"artwork"_s, QVariant::fromValue(&artwork)}}));
        QVERIFY2(object, qPrintable(component.errorString()));
        auto *root = qobject_cast<QQuickItem *>(object.get());
        QQuickWindow window;
        window.resize(660, 400);
        root->setParentItem(window.contentItem());
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        QVERIFY(root->findChild<QObject *>(u"collage"_s)->property("collage").toBool());
        QVERIFY(!root->findChild<QObject *>(u"single"_s)->property("collage").toBool());
        const QList<CoverImage *> views = UiTest::itemsOf<CoverImage>(root);
        QCOMPARE(views.size(), covers.size() + 4 + 1 + 1);
        for (CoverImage *view : std::as_const(views)) {
            if (!view->coverArt().isEmpty())
                QTRY_VERIFY_WITH_TIMEOUT(view->hasImage(), 20'000);
        }
        QTest::qWait(100);
        const QImage shot = window.grabWindow();
        QDir().mkpath(u"../screenshots"_s);
        QVERIFY(shot.save(u"../screenshots/artwork-supysonic.png"_s));

        // Each cover's colour shows beside its disc; the view without a
        // cover stays a grey placeholder.
        const qreal ratio = shot.devicePixelRatio();
        for (CoverImage *view : std::as_const(views)) {
            const QPointF point = view->mapToScene(QPointF(view->width() * 0.15, view->height() / 2));
            const QColor colour = shot.pixelColor((point * ratio).toPoint());
            if (view->coverArt().isEmpty())
                QVERIFY2(colour.hsvSaturation() < 20, qPrintable(colour.name()));
            else
                QVERIFY2(colour.hsvSaturation() > 80, qPrintable(view->coverArt() + u" "_s + colour.name()));
        }
        LIRNA_VERIFY_NO_QML_WARNINGS(m_warnings);
    }
};

QTEST_MAIN(TestIntegrationArtworkView)
#include "tst_IntegrationArtworkView.moc"
