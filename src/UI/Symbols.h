#pragma once

#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

// The one table from the symbol names the interface uses to the glyphs of the
// Material Icons font. Add new names here.
class Symbols : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON

public:
    using QObject::QObject;

    // The glyph drawing `name` in the "Material Icons" font; empty when the
    // name is not in the table.
    Q_INVOKABLE static QString glyph(const QString &name);
    static bool contains(const QString &name);
};
