#include <QGuiApplication>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    QGuiApplication::setOrganizationName(QStringLiteral("Lirna"));
    QGuiApplication::setApplicationName(QStringLiteral("Lirna"));
    QTextStream(stdout) << "Lirna is built; its window is not there yet.\n";
    return 0;
}
