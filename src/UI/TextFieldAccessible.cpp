#include "TextFieldAccessible.h"

#include <QMetaMethod>
#include <QQuickWindow>
#include <QTextBoundaryFinder>

#include <utility>

using namespace Qt::StringLiterals;

namespace {

// TextInput.Normal: every other echo mode hides what is typed.
constexpr int NormalEcho = 0;
constexpr QChar Bullet(0x2022);

// The `Accessible` attached object of `object`, which Qt Quick gives the
// items it puts on the accessibility tree; null without one.
QObject *accessibleAttached(const QObject *object)
{
    const QObjectList children = object->children();
    for (QObject *child : children) {
        if (child->inherits("QQuickAccessibleAttached"))
            return child;
    }
    return nullptr;
}

QAccessibleInterface *textFieldFactory(const QString &className, QObject *object)
{
    // Asked for each class of the object, most derived first; Qt Quick's
    // own factory answers only for the QQuickItem base, after this one.
    if (className != "QQuickTextInput"_L1 || !accessibleAttached(object))
        return nullptr;
    return new TextFieldAccessible(static_cast<QQuickItem *>(object));
}

// The items below `item` on the accessibility tree, as Qt Quick's own items
// list them: each child that is on the tree, and in place of one that is not
// (a layout, a background), that one's own.
void treeChildren(QQuickItem *item, QList<QQuickItem *> *found)
{
    const QList<QQuickItem *> children = item->childItems();
    for (QQuickItem *child : children) {
        if (QAccessible::queryAccessibleInterface(child))
            found->append(child);
        else
            treeChildren(child, found);
    }
}

// The update handler that was in place before ours; none: the platform's
// bridge.
QAccessible::UpdateHandler previousHandler = nullptr;

void hideSecrets(QAccessibleEvent *event);

void forward(QAccessibleEvent *event)
{
    if (previousHandler) {
        previousHandler(event);
        return;
    }
    // Qt gives an event to the platform's bridge only while no handler is in
    // place: step aside for this one.
    QAccessible::installUpdateHandler(nullptr);
    QAccessible::updateAccessibility(event);
    QAccessible::installUpdateHandler(hideSecrets);
}

// Every accessibility event passes here before the bridge puts it on the bus.
// A text change of a field that hides what is typed goes on with one bullet
// per character in place of the characters, so a listener learns that
// something was typed or removed, and where, but never what.
void hideSecrets(QAccessibleEvent *event)
{
    const QAccessible::Event type = event->type();
    if (type != QAccessible::TextInserted && type != QAccessible::TextRemoved
        && type != QAccessible::TextUpdated) {
        forward(event);
        return;
    }
    QAccessibleInterface *iface = event->accessibleInterface();
    if (!iface || !TextFieldAccessible::holdsSecret(iface->object())) {
        forward(event);
        return;
    }
    if (type == QAccessible::TextInserted) {
        const auto *inserted = static_cast<QAccessibleTextInsertEvent *>(event);
        QAccessibleTextInsertEvent masked(
            iface, inserted->changePosition(), TextFieldAccessible::masked(inserted->textInserted().size()));
        masked.setCursorPosition(inserted->cursorPosition());
        forward(&masked);
    } else if (type == QAccessible::TextRemoved) {
        const auto *removed = static_cast<QAccessibleTextRemoveEvent *>(event);
        QAccessibleTextRemoveEvent masked(
            iface, removed->changePosition(), TextFieldAccessible::masked(removed->textRemoved().size()));
        masked.setCursorPosition(removed->cursorPosition());
        forward(&masked);
    } else {
        const auto *updated = static_cast<QAccessibleTextUpdateEvent *>(event);
        QAccessibleTextUpdateEvent masked(iface, updated->changePosition(),
            TextFieldAccessible::masked(updated->textRemoved().size()),
            TextFieldAccessible::masked(updated->textInserted().size()));
        masked.setCursorPosition(updated->cursorPosition());
        forward(&masked);
    }
}

// Qt Quick's fields tell assistive technology of a change to their text only
// when the program sets it: what the user types, erases or pastes goes
// unsaid, and a screen reader has nothing to echo. This follows one field and
// reports each of the user's edits as the part that went and the part that
// came where the old and new text differ, as the desktop's other fields do.
// A field that hides its text reports as many bullets, so its text is never
// put in an event at all; the update handler would mask it anyway.
class EditReporter : public QObject
{
    Q_OBJECT

public:
    explicit EditReporter(QQuickItem *field)
        : QObject(field)
        , m_field(field)
        , m_text(field->property("text").toString())
    {
        setObjectName(ObjectName);
        connectSignal("textEdited()", "report()");
        connectSignal("textChanged()", "remember()");
    }

    static constexpr QLatin1StringView ObjectName = "editReporter"_L1;

public Q_SLOTS:
    // The field's own change signal comes after this one, so the text seen
    // last is still the one before the edit.
    void report()
    {
        const QString before = std::exchange(m_text, m_field->property("text").toString());
        const auto [position, removed, inserted] = difference(before, m_text);
        const bool secret = TextFieldAccessible::holdsSecret(m_field);
        const QString gone = secret ? TextFieldAccessible::masked(removed.size()) : removed.toString();
        const QString come = secret ? TextFieldAccessible::masked(inserted.size()) : inserted.toString();
        QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(m_field);
        if (!iface || (gone.isEmpty() && come.isEmpty()))
            return;
        const int cursor = m_field->property("cursorPosition").toInt();
        if (gone.isEmpty()) {
            QAccessibleTextInsertEvent event(iface, position, come);
            event.setCursorPosition(cursor);
            QAccessible::updateAccessibility(&event);
        } else if (come.isEmpty()) {
            QAccessibleTextRemoveEvent event(iface, position, gone);
            event.setCursorPosition(cursor);
            QAccessible::updateAccessibility(&event);
        } else {
            QAccessibleTextUpdateEvent event(iface, position, gone, come);
            event.setCursorPosition(cursor);
            QAccessible::updateAccessibility(&event);
        }
    }

    // Set by the program (Qt Quick reports that itself) or just reported.
    void remember() { m_text = m_field->property("text").toString(); }

private:
    struct Change
    {
        int position;
        QStringView removed;
        QStringView inserted;
    };

    // Where `before` and `after` part and meet again; a character made of two
    // code units is not split.
    static Change difference(const QString &before, const QString &after)
    {
        const qsizetype shortest = std::min(before.size(), after.size());
        qsizetype head = 0;
        while (head < shortest && before.at(head) == after.at(head))
            ++head;
        if (head > 0 && before.at(head - 1).isHighSurrogate())
            --head;
        qsizetype tail = 0;
        while (tail < shortest - head && before.at(before.size() - 1 - tail) == after.at(after.size() - 1 - tail))
            ++tail;
        if (tail > 0 && before.at(before.size() - tail).isLowSurrogate())
            --tail;
        return {int(head), QStringView(before).sliced(head, before.size() - head - tail),
            QStringView(after).sliced(head, after.size() - head - tail)};
    }

    void connectSignal(const char *signal, const char *slot)
    {
        const QMetaObject *field = m_field->metaObject();
        connect(m_field, field->method(field->indexOfSignal(signal)), this,
            metaObject()->method(metaObject()->indexOfSlot(slot)));
    }

    QQuickItem *m_field;
    QString m_text;
};

// The start and end of the item of `type` that holds `offset` in `text`
// (at the very end: the last one; a character there is empty).
std::pair<int, int> itemAt(const QString &text, int offset, QAccessible::TextBoundaryType type)
{
    const int length = int(text.size());
    offset = std::clamp(offset, 0, length);
    switch (type) {
    case QAccessible::CharBoundary:
        return {offset, std::min(offset + 1, length)};
    case QAccessible::WordBoundary: {
        QTextBoundaryFinder finder(QTextBoundaryFinder::Word, text);
        finder.setPosition(offset);
        int start = offset;
        if (offset == length || !finder.isAtBoundary())
            start = std::max(0, int(finder.toPreviousBoundary()));
        finder.setPosition(start);
        const qsizetype end = finder.toNextBoundary();
        return {start, end < 0 ? length : int(end)};
    }
    default:
        return {0, length};
    }
}

} // namespace

TextFieldAccessible::TextFieldAccessible(QQuickItem *field)
    : QAccessibleObject(field)
    , m_field(field)
{
    // One per field, also should Qt build this interface again.
    if (!field->findChild<EditReporter *>(EditReporter::ObjectName, Qt::FindDirectChildrenOnly))
        new EditReporter(field);
}

void TextFieldAccessible::install()
{
    QAccessible::installFactory(textFieldFactory);
    // Ours goes in front of whatever handler is in place; in place already,
    // it stays in front of the one it had.
    const QAccessible::UpdateHandler current = QAccessible::installUpdateHandler(hideSecrets);
    if (current != hideSecrets)
        previousHandler = current;
}

bool TextFieldAccessible::holdsSecret(const QObject *object)
{
    if (!object || !object->inherits("QQuickTextInput"))
        return false;
    const QVariant echo = object->property("echoMode");
    return echo.isValid() && echo.toInt() != NormalEcho;
}

QString TextFieldAccessible::masked(qsizetype length)
{
    return QString(std::max<qsizetype>(0, length), Bullet);
}

QVariant TextFieldAccessible::accessibleProperty(const char *name) const
{
    const QObject *attached = m_field ? accessibleAttached(m_field) : nullptr;
    return attached ? attached->property(name) : QVariant();
}

QString TextFieldAccessible::readableText() const
{
    if (!m_field)
        return {};
    return isSecret() ? masked(characterCount()) : m_field->property("text").toString();
}

QWindow *TextFieldAccessible::window() const
{
    return m_field ? m_field->window() : nullptr;
}

// The nearest item above that is on the accessibility tree; the window at
// the top, as for Qt Quick's own items.
QAccessibleInterface *TextFieldAccessible::parent() const
{
    if (!m_field)
        return nullptr;
    QQuickWindow *window = m_field->window();
    for (QQuickItem *above = m_field->parentItem(); above; above = above->parentItem()) {
        if (window && above == window->contentItem())
            return QAccessible::queryAccessibleInterface(window);
        if (QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(above))
            return iface;
    }
    return nullptr;
}

QList<QQuickItem *> TextFieldAccessible::childItems() const
{
    QList<QQuickItem *> found;
    if (m_field)
        treeChildren(m_field, &found);
    return found;
}

QAccessibleInterface *TextFieldAccessible::child(int index) const
{
    const QList<QQuickItem *> children = childItems();
    if (index < 0 || index >= children.size())
        return nullptr;
    return QAccessible::queryAccessibleInterface(children.at(index));
}

int TextFieldAccessible::childCount() const
{
    return int(childItems().size());
}

int TextFieldAccessible::indexOfChild(const QAccessibleInterface *child) const
{
    if (!child)
        return -1;
    return int(childItems().indexOf(qobject_cast<QQuickItem *>(child->object())));
}

QString TextFieldAccessible::text(QAccessible::Text type) const
{
    switch (type) {
    case QAccessible::Name: {
        const QString name = accessibleProperty("name").toString();
        if (!name.isEmpty() || !isSecret())
            return name;
        const QString placeholder = m_field->property("placeholderText").toString();
        return placeholder.isEmpty() ? u"Password"_s : placeholder;
    }
    case QAccessible::Description:
        return accessibleProperty("description").toString();
    case QAccessible::Value:
        return readableText();
    default:
        return {};
    }
}

QRect TextFieldAccessible::rect() const
{
    if (!m_field || !m_field->window() || !m_field->isVisible())
        return {};
    const QPointF topLeft = m_field->mapToGlobal(QPointF(0, 0));
    return QRectF(topLeft, m_field->size()).toRect();
}

QAccessible::State TextFieldAccessible::state() const
{
    QAccessible::State state;
    if (!m_field) {
        state.invalid = true;
        return state;
    }
    const QWindow *window = m_field->window();
    state.invisible
        = !window || !window->isVisible() || !m_field->isVisible() || qFuzzyIsNull(m_field->opacity());
    state.disabled = !m_field->isEnabled();
    state.focusable = m_field->activeFocusOnTab();
    state.focused = m_field->hasActiveFocus();
    state.readOnly = m_field->property("readOnly").toBool();
    state.editable = !state.readOnly;
    state.selectableText = true;
    state.passwordEdit = isSecret();
    return state;
}

void *TextFieldAccessible::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::TextInterface)
        return static_cast<QAccessibleTextInterface *>(this);
    if (type == QAccessible::ActionInterface)
        return static_cast<QAccessibleActionInterface *>(this);
    return QAccessibleObject::interface_cast(type);
}

void TextFieldAccessible::selection(int selectionIndex, int *startOffset, int *endOffset) const
{
    *startOffset = 0;
    *endOffset = 0;
    if (selectionIndex == 0 && selectionCount() == 1) {
        *startOffset = m_field->property("selectionStart").toInt();
        *endOffset = m_field->property("selectionEnd").toInt();
    }
}

int TextFieldAccessible::selectionCount() const
{
    if (!m_field)
        return 0;
    return m_field->property("selectionStart").toInt() != m_field->property("selectionEnd").toInt() ? 1 : 0;
}

void TextFieldAccessible::addSelection(int startOffset, int endOffset)
{
    setSelection(0, startOffset, endOffset);
}

void TextFieldAccessible::removeSelection(int selectionIndex)
{
    if (m_field && selectionIndex == 0)
        QMetaObject::invokeMethod(m_field, "deselect");
}

void TextFieldAccessible::setSelection(int selectionIndex, int startOffset, int endOffset)
{
    if (m_field && selectionIndex == 0)
        QMetaObject::invokeMethod(m_field, "select", Q_ARG(int, startOffset), Q_ARG(int, endOffset));
}

int TextFieldAccessible::cursorPosition() const
{
    return m_field ? m_field->property("cursorPosition").toInt() : 0;
}

void TextFieldAccessible::setCursorPosition(int position)
{
    if (m_field)
        m_field->setProperty("cursorPosition", position);
}

QString TextFieldAccessible::text(int startOffset, int endOffset) const
{
    const QString text = readableText();
    const int count = int(text.size());
    const int start = std::clamp(startOffset, 0, count);
    const int end = std::clamp(endOffset < 0 ? count : endOffset, start, count);
    return text.mid(start, end - start);
}

int TextFieldAccessible::resolved(int offset, qsizetype length) const
{
    if (offset == -1)
        return int(length);
    if (offset == -2)
        return cursorPosition();
    return offset;
}

QString TextFieldAccessible::textAtOffset(
    int offset, QAccessible::TextBoundaryType boundaryType, int *startOffset, int *endOffset) const
{
    const QString text = readableText();
    offset = resolved(offset, text.size());
    *startOffset = *endOffset = -1;
    if (text.isEmpty() || offset < 0 || offset > text.size())
        return {};
    const auto [start, end] = itemAt(text, offset, boundaryType);
    if (start == end)
        return {};
    *startOffset = start;
    *endOffset = end;
    return text.mid(start, end - start);
}

QString TextFieldAccessible::textBeforeOffset(
    int offset, QAccessible::TextBoundaryType boundaryType, int *startOffset, int *endOffset) const
{
    const QString text = readableText();
    offset = resolved(offset, text.size());
    *startOffset = *endOffset = -1;
    if (text.isEmpty() || offset <= 0 || offset > text.size())
        return {};
    const int start = itemAt(text, offset, boundaryType).first;
    if (start <= 0 && boundaryType != QAccessible::CharBoundary)
        return {};
    return textAtOffset(boundaryType == QAccessible::CharBoundary ? offset - 1 : start - 1, boundaryType,
        startOffset, endOffset);
}

QString TextFieldAccessible::textAfterOffset(
    int offset, QAccessible::TextBoundaryType boundaryType, int *startOffset, int *endOffset) const
{
    const QString text = readableText();
    offset = resolved(offset, text.size());
    *startOffset = *endOffset = -1;
    if (text.isEmpty() || offset < 0 || offset >= text.size())
        return {};
    const int end = itemAt(text, offset, boundaryType).second;
    if (end >= text.size())
        return {};
    return textAtOffset(end, boundaryType, startOffset, endOffset);
}

int TextFieldAccessible::characterCount() const
{
    return m_field ? m_field->property("length").toInt() : 0;
}

QRect TextFieldAccessible::characterRect(int offset) const
{
    if (!m_field)
        return {};
    QRectF local;
    QMetaObject::invokeMethod(
        m_field, "positionToRectangle", Q_RETURN_ARG(QRectF, local), Q_ARG(int, offset));
    return QRectF(m_field->mapToGlobal(local.topLeft()), local.size()).toRect();
}

int TextFieldAccessible::offsetAtPoint(const QPoint &) const
{
    return -1;
}

void TextFieldAccessible::scrollToSubstring(int, int) { }

QString TextFieldAccessible::attributes(int, int *startOffset, int *endOffset) const
{
    *startOffset = 0;
    *endOffset = characterCount();
    return {};
}

QStringList TextFieldAccessible::actionNames() const
{
    return {QAccessibleActionInterface::setFocusAction()};
}

void TextFieldAccessible::doAction(const QString &actionName)
{
    if (m_field && actionName == QAccessibleActionInterface::setFocusAction())
        m_field->forceActiveFocus(Qt::OtherFocusReason);
}

#include "TextFieldAccessible.moc"
