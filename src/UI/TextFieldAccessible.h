#pragma once

#include <QAccessibleObject>
#include <QPointer>
#include <QQuickItem>

// What assistive technology reads of a single-line text field. Qt Quick's own
// interface hands out a field's text as typed also when its echo mode hides
// it (a password field), so any program on the accessibility bus could read
// the password. This one gives such a field's name, the password-edit state
// and one bullet per character wherever its text would be, as the desktop's
// other password entries do; other fields read their text as before. The echo
// mode is read at each call: a field is built, and may be asked about, before
// its echo mode is set.
class TextFieldAccessible : public QAccessibleObject,
                            public QAccessibleTextInterface,
                            public QAccessibleActionInterface
{
public:
    explicit TextFieldAccessible(QQuickItem *field);

    // Puts this interface in place of Qt Quick's for the text fields on the
    // accessibility tree, and an update handler in front of the bus: Qt
    // Quick's fields also report changes in events that carry the old and
    // new text as typed (setting a field's text does), and the handler gives
    // those of a field that hides its text on with bullets only. A second
    // call changes nothing. A field with this interface also reports what
    // the user types or erases in it, which Qt Quick's own leave unsaid.
    static void install();
    // Whether `object` is a text field whose echo mode hides what is typed.
    static bool holdsSecret(const QObject *object);
    // The stand-in for `length` characters of a secret.
    static QString masked(qsizetype length);

    // QAccessibleInterface
    QWindow *window() const override;
    QAccessibleInterface *parent() const override;
    // The items inside the field that are on the tree (the search field's
    // clear button), as Qt Quick's own interface lists them.
    QAccessibleInterface *child(int index) const override;
    int childCount() const override;
    int indexOfChild(const QAccessibleInterface *child) const override;
    QString text(QAccessible::Text type) const override;
    QRect rect() const override;
    QAccessible::Role role() const override { return QAccessible::EditableText; }
    QAccessible::State state() const override;
    void *interface_cast(QAccessible::InterfaceType type) override;

    // QAccessibleTextInterface: offsets and lengths are the field's own; in
    // a field holding a secret every character reads as a bullet.
    void selection(int selectionIndex, int *startOffset, int *endOffset) const override;
    int selectionCount() const override;
    void addSelection(int startOffset, int endOffset) override;
    void removeSelection(int selectionIndex) override;
    void setSelection(int selectionIndex, int startOffset, int endOffset) override;
    int cursorPosition() const override;
    void setCursorPosition(int position) override;
    QString text(int startOffset, int endOffset) const override;
    // Qt's own versions of these walk the text with a loop that never ends
    // at the text's end for words; these take the item at an offset in one
    // step (a single-line field is one line, sentence and paragraph).
    QString textBeforeOffset(int offset, QAccessible::TextBoundaryType boundaryType, int *startOffset,
        int *endOffset) const override;
    QString textAfterOffset(int offset, QAccessible::TextBoundaryType boundaryType, int *startOffset,
        int *endOffset) const override;
    QString textAtOffset(int offset, QAccessible::TextBoundaryType boundaryType, int *startOffset,
        int *endOffset) const override;
    int characterCount() const override;
    QRect characterRect(int offset) const override;
    int offsetAtPoint(const QPoint &point) const override;
    void scrollToSubstring(int startIndex, int endIndex) override;
    QString attributes(int offset, int *startOffset, int *endOffset) const override;

    // QAccessibleActionInterface: the field can be given the keyboard.
    QStringList actionNames() const override;
    void doAction(const QString &actionName) override;
    QStringList keyBindingsForAction(const QString &) const override { return {}; }

private:
    QList<QQuickItem *> childItems() const;
    bool isSecret() const { return holdsSecret(m_field); }
    // The field's text as it may be read: as typed, or as bullets.
    QString readableText() const;
    // An offset as asked for: -1 stands for the end of a text of `length`
    // characters, -2 for the cursor.
    int resolved(int offset, qsizetype length) const;
    // A property of the field's `Accessible` attached object, or an invalid
    // value without one.
    QVariant accessibleProperty(const char *name) const;

    QPointer<QQuickItem> m_field;
};
