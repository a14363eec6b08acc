#pragma once

#include <QStringList>
#include <QtGlobal>

// Makes a QML warning fail the test that printed it. Install it in
// initTestCase() (after the test runner set up its own message handler) and
// check it in cleanup():
//
//     void initTestCase() { m_warnings.install(); }
//     void cleanup() { LIRNA_VERIFY_NO_QML_WARNINGS(m_warnings); }
//
// Every message still reaches the runner's output as before.
class QmlWarningGuard
{
public:
    QmlWarningGuard() = default;
    ~QmlWarningGuard();
    QmlWarningGuard(const QmlWarningGuard &) = delete;
    QmlWarningGuard &operator=(const QmlWarningGuard &) = delete;

    void install();
    // The QML warnings recorded since the last call.
    QStringList take();

    // A warning or error from the QML engine, a script or a Qt Quick item.
    static bool isQmlWarning(QtMsgType type, const QMessageLogContext &context, const QString &message);

private:
    static void handle(QtMsgType type, const QMessageLogContext &context, const QString &message);

    QtMessageHandler m_previous = nullptr;
    bool m_installed = false;
    QStringList m_warnings;
};

#define LIRNA_VERIFY_NO_QML_WARNINGS(guard)                                                                  \
    do {                                                                                                     \
        const QStringList lirnaQmlWarnings = (guard).take();                                                 \
        QVERIFY2(lirnaQmlWarnings.isEmpty(),                                                                 \
            qPrintable(QStringLiteral("QML warnings:\n") + lirnaQmlWarnings.join(u'\n')));                   \
    } while (false)
