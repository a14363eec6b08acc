#include <QGuiApplication>
#include <QQmlApplicationEngine>
#include <QQuickStyle>
#include <QtQml/qqmlextensionplugin.h>

#include "LirnaApp.h"
#include "Networking/UrlSession.h"
#include "Platform/TerminationSignals.h"

Q_IMPORT_QML_PLUGIN(Lirna_UIPlugin)

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    QGuiApplication::setOrganizationName(QStringLiteral("Lirna"));
    QGuiApplication::setApplicationName(QStringLiteral("Lirna"));
    QGuiApplication::setApplicationVersion(QStringLiteral(LIRNA_VERSION));
    QQuickStyle::setStyle(QStringLiteral("Basic"));
    TerminationSignals::quitApplicationOnTermination(&app);

    LirnaApp lirna(
        QUrl(QStringLiteral(LIRNA_UPDATE_FEED_URL)), QStringLiteral(LIRNA_VERSION), UrlSession::shared());

    QQmlApplicationEngine engine;
    engine.addImportPath(QStringLiteral("qrc:/"));
    engine.setInitialProperties({{QStringLiteral("app"), QVariant::fromValue(&lirna)}});
    engine.load(QUrl(QStringLiteral("qrc:/Lirna/UI/Main.qml")));
    if (engine.rootObjects().isEmpty())
        return 1;
    return QGuiApplication::exec();
}
