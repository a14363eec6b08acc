#include <QGuiApplication>
#include <QQmlApplicationEngine>
#include <QQuickStyle>
#include <QQuickWindow>
#include <QTimer>
#include <QtQml/qqmlextensionplugin.h>

#include "App/AppState.h"
#include "Library/LibraryStore.h"
#include "LirnaApp.h"
#include "Networking/UrlSession.h"
#include "Platform/FontWarmUp.h"
#include "Platform/GstQueuePlayer.h"
#include "Platform/GuiApplication.h"
#include "Platform/LogindSleepMonitor.h"
#include "Platform/MprisService.h"
#include "Platform/TerminationSignals.h"
#include "Playback/PlayerController.h"
#include "StartupProbe.h"

Q_IMPORT_QML_PLUGIN(Lirna_UIPlugin)

namespace {

// Starts GStreamer once the window has shown its first frame, so that its
// plugin loading on the worker does not slow the window down, or after a
// second should no frame come (a window that is never exposed). Until then
// the player keeps what it is asked to do.
void startAfterFirstFrame(QQuickWindow *window, GstQueuePlayer *gstreamer)
{
    QTimer::singleShot(1000, gstreamer, &GstQueuePlayer::start);
    if (window) {
        // frameSwapped comes from the render thread: start() runs on the
        // player's own thread, once.
        QObject::connect(window, &QQuickWindow::frameSwapped, gstreamer, &GstQueuePlayer::start,
            Qt::ConnectionType(Qt::QueuedConnection | Qt::SingleShotConnection));
    }
}

} // namespace

int main(int argc, char *argv[])
{
    GuiApplication app(argc, argv);
    QGuiApplication::setOrganizationName(QStringLiteral("Lirna"));
    QGuiApplication::setApplicationName(QStringLiteral("Lirna"));
    QGuiApplication::setApplicationVersion(QStringLiteral(LIRNA_VERSION));
    // The installed desktop entry's name: the window's application id on
    // Wayland and MPRIS's DesktopEntry. On X11 the window's class is the
    // application name, the entry's StartupWMClass.
    QGuiApplication::setDesktopFileName(QStringLiteral(LIRNA_APP_ID));
    // The keyring answers while the player and the window are set up.
    AppState::prepareRestore();
    QQuickStyle::setStyle(QStringLiteral("Basic"));
    // The fonts get ready on a worker while the window is built.
    FontWarmUp::startInBackground();
    TerminationSignals::quitApplicationOnTermination(&app);

    // The engine plays through GStreamer and meets the desktop through MPRIS
    // and logind.
    // GStreamer starts at the window's first frame (see below).
    auto *gstreamer = new GstQueuePlayer({}, GstQueuePlayer::Start::Later);
    auto *mpris = new MprisService;
    auto *player = new PlayerController(gstreamer, mpris, new LogindSleepMonitor);
    LirnaApp lirna(QUrl(QStringLiteral(LIRNA_UPDATE_FEED_URL)), QStringLiteral(LIRNA_VERSION),
        UrlSession::shared(), player);

    QQmlApplicationEngine engine;
    engine.addImportPath(QStringLiteral("qrc:/"));
    engine.setInitialProperties({{QStringLiteral("app"), QVariant::fromValue(&lirna)}});
    engine.load(QUrl(QStringLiteral("qrc:/Lirna/UI/Main.qml")));
    if (engine.rootObjects().isEmpty())
        return 1;
    auto *window = qobject_cast<QQuickWindow *>(engine.rootObjects().first());
    startAfterFirstFrame(window, gstreamer);
    if (window)
        mpris->raiseOnRequest(window);
    StartupProbe::attachIfAsked(window);
    const int code = QGuiApplication::exec();
    // The window goes at once; playlist edits still on their way (and an
    // order a page holds back) get a few seconds to reach the server.
    for (QWindow *shown : QGuiApplication::topLevelWindows())
        shown->hide();
    LibraryStore::settlePlaylistWrites(
        lirna.appState()->findChildren<LibraryStore *>(Qt::FindDirectChildrenOnly));
    return code;
}
