#include <QGuiApplication>
#include <QQmlApplicationEngine>
#include <QQuickStyle>
#include <QtQml/qqmlextensionplugin.h>

#include "LirnaApp.h"
#include "Networking/UrlSession.h"
#include "Platform/GstQueuePlayer.h"
#include "Platform/LogindSleepMonitor.h"
#include "Platform/MprisService.h"
#include "Platform/TerminationSignals.h"
#include "Playback/PlayerController.h"

Q_IMPORT_QML_PLUGIN(Lirna_UIPlugin)

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    QGuiApplication::setOrganizationName(QStringLiteral("Lirna"));
    QGuiApplication::setApplicationName(QStringLiteral("Lirna"));
    QGuiApplication::setApplicationVersion(QStringLiteral(LIRNA_VERSION));
    QQuickStyle::setStyle(QStringLiteral("Fusion"));
    TerminationSignals::quitApplicationOnTermination(&app);

    // The engine plays through GStreamer and meets the desktop through MPRIS
    // and logind.
    auto *player = new PlayerController(new GstQueuePlayer, new MprisService, new LogindSleepMonitor);
    LirnaApp lirna(QUrl(QStringLiteral(LIRNA_UPDATE_FEED_URL)), QStringLiteral(LIRNA_VERSION),
        UrlSession::shared(), player);

    QQmlApplicationEngine engine;
    engine.addImportPath(QStringLiteral("qrc:/"));
    engine.setInitialProperties({{QStringLiteral("app"), QVariant::fromValue(&lirna)}});
    engine.load(QUrl(QStringLiteral("qrc:/Lirna/UI/Main.qml")));
    if (engine.rootObjects().isEmpty())
        return 1;
    return QGuiApplication::exec();
}
