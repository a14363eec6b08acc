#include "TextFieldAccessible.h"

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
{ }

void TextFieldAccessible::install()
{
    QAccessible::installFactory(textFieldFactory);
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
