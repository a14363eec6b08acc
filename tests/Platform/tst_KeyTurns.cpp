#include <QInputMethodQueryEvent>
#include <QKeyEvent>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QWindow>

#include "Platform/GuiApplication.h"
#include "Platform/KeyTurns.h"

using namespace Qt::StringLiterals;

namespace {

// A field as input methods see it; the second of the form hides what is typed.
class Field : public QObject
{
public:
    explicit Field(bool hides)
        : m_hides(hides)
    { }
    QString text;

    bool event(QEvent *event) override
    {
        if (event->type() != QEvent::InputMethodQuery)
            return QObject::event(event);
        static_cast<QInputMethodQueryEvent *>(event)->setValue(
            Qt::ImHints, int(m_hides ? Qt::ImhHiddenText : Qt::ImhNone));
        return true;
    }

private:
    const bool m_hides;
};

// Two fields side by side, each 100 wide: a press chooses the one under it,
// Tab the next, and a key with text types into the one with the focus.
class Form : public QWindow
{
public:
    Form()
    {
        resize(200, 50);
        show();
    }
    Field fields[2] = {Field(false), Field(true)};
    int focus = 0;

    QObject *focusObject() const override { return const_cast<Field *>(&fields[focus]); }

protected:
    void keyPressEvent(QKeyEvent *event) override
    {
        if (event->key() == Qt::Key_Tab)
            focus = 1 - focus;
        else
            fields[focus].text += event->text();
    }
    void mousePressEvent(QMouseEvent *event) override { focus = event->position().x() < 100 ? 0 : 1; }
};

} // namespace

// Stands in for Qt's AT-SPI bridge as GuiApplication is told its class: it
// filters the application's spontaneous keys, tells its listener of each
// (`heard`, the presses' text), holds it, and answers a while later by a call
// queued to itself, which gives the oldest key held back to its window or
// drops it when the listener takes it (`takes`).
class StandInBridge : public QObject
{
    Q_OBJECT

public:
    // The listener answers this late, as a busy screen reader does.
    static constexpr int LateMs = 20;

    StandInBridge() { qApp->installEventFilter(this); }
    QString takes;
    QString heard;
    int mostHeld = 0;
    // The program stops while this key's press is held, then the answer
    // comes as usual.
    int stallAt = 0;

    bool eventFilter(QObject *target, QEvent *event) override
    {
        if (!event->spontaneous()
            || (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease))
            return false;
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->type() == QEvent::KeyPress && key->text().size() == 1 && key->text()[0].isPrint())
            heard += key->text();
        m_held.push_back({target, std::unique_ptr<QKeyEvent>(key->clone())});
        mostHeld = std::max(mostHeld, int(m_held.size()));
        if (key->type() == QEvent::KeyPress && key->key() == stallAt) {
            stallAt = 0;
            QTimer::singleShot(1, [this] {
                QThread::msleep(KeyTurns::BoundTicks * KeyTurns::TickMs + 500);
                answerLater();
            });
        } else {
            answerLater();
        }
        return true;
    }

private Q_SLOTS:
    void answer()
    {
        auto [target, key] = std::move(m_held.front());
        m_held.pop_front();
        if (target && !(key->text().size() == 1 && takes.contains(key->text())))
            QCoreApplication::postEvent(target, key.release());
    }

private:
    void answerLater()
    {
        QTimer::singleShot(LateMs, this,
            [this] { QMetaObject::invokeMethod(this, &StandInBridge::answer, Qt::QueuedConnection); });
    }

    std::deque<std::pair<QPointer<QObject>, std::unique_ptr<QKeyEvent>>> m_held;
};

class tst_KeyTurns : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void inputKeepsTheOrderMade_data()
    {
        // What the user does, in one burst: a character is a key pressed and
        // let go, Tab among them; `^` presses the next two keys before
        // letting them go; `<` and `>` click the first and the second field;
        // `!` stops the program while the bridge holds the next key.
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("takes");
        QTest::addColumn<QStringList>("fields");
        QTest::addColumn<QString>("heard");
        QTest::newRow("keys and clicks interleaved")
            << u"al>pw<x"_s << QString() << QStringList {u"alx"_s, u"pw"_s} << u"alx"_s;
        QTest::newRow("a key the listener takes")
            << u"axb>pw"_s << u"x"_s << QStringList {u"ab"_s, u"pw"_s} << u"axb"_s;
        QTest::newRow("an answer on its way when the bound ends")
            << u"a!^\tpw"_s << QString() << QStringList {u"a"_s, u"pw"_s} << u"a"_s;
    }

    void inputKeepsTheOrderMade()
    {
        QFETCH(QString, input);
        QFETCH(QString, takes);
        QFETCH(QStringList, fields);
        QFETCH(QString, heard);
        Form form;
        StandInBridge bridge;
        bridge.takes = takes;
        bool stall = false;
        const auto key = [&](QEvent::Type type, QChar c) {
            const int code = c == u'\t' ? int(Qt::Key_Tab) : c.toUpper().unicode();
            if (type == QEvent::KeyPress && std::exchange(stall, false))
                bridge.stallAt = code;
            qt_handleKeyEvent(&form, type, code, Qt::NoModifier, c);
        };
        int time = 0;
        for (qsizetype i = 0; i < input.size(); ++i) {
            const QChar c = input[i];
            if (c == u'<' || c == u'>') {
                const QPointF at(c == u'<' ? 50 : 150, 25);
                const QPointF global = form.mapToGlobal(at);
                qt_handleMouseEvent(&form, at, global, Qt::LeftButton, Qt::LeftButton,
                    QEvent::MouseButtonPress, Qt::NoModifier, time += 1000);
                qt_handleMouseEvent(&form, at, global, {}, Qt::LeftButton, QEvent::MouseButtonRelease,
                    Qt::NoModifier, time += 100);
            } else if (c == u'!') {
                stall = true;
            } else if (c == u'^') {
                const QChar first = input[++i], second = input[++i];
                key(QEvent::KeyPress, first);
                key(QEvent::KeyPress, second);
                key(QEvent::KeyRelease, first);
                key(QEvent::KeyRelease, second);
            } else {
                key(QEvent::KeyPress, c);
                key(QEvent::KeyRelease, c);
            }
        }
        const QString expected = (fields << heard).join(u" | ");
        QTRY_COMPARE(
            (QStringList {form.fields[0].text, form.fields[1].text, bridge.heard}.join(u" | ")), expected);
        // No key is offered before the one ahead of it is back or dropped.
        QCOMPARE(bridge.mostHeld, 1);
    }
};

int main(int argc, char *argv[])
{
    GuiApplication app(argc, argv, "StandInBridge");
    tst_KeyTurns test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_KeyTurns.moc"
