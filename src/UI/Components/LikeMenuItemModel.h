#pragma once

#include <QObject>
#include <QPointer>
#include <QtQml/qqmlregistration.h>

#include <optional>

#include "Models/Song.h"

#include "Library/LibraryStore.h"

// The "Like"/"Unlike" item of one song's menu. The title follows the store's
// liked ids: it turns over as soon as toggle() changes them, and back when
// the store rolls a failed change back. The page's view model sets the song
// in C++.
class LikeMenuItemModel : public QObject
{
    Q_OBJECT
    QML_ELEMENT

    Q_PROPERTY(LibraryStore *library READ library WRITE setLibrary NOTIFY libraryChanged)
    Q_PROPERTY(QString text READ text NOTIFY textChanged)
    Q_PROPERTY(bool available READ available NOTIFY textChanged)

public:
    explicit LikeMenuItemModel(QObject *parent = nullptr);

    LibraryStore *library() const { return m_library; }
    void setLibrary(LibraryStore *library);
    void setSong(const std::optional<Song> &song);

    QString text() const { return m_text; }
    // A song and a store are set.
    bool available() const { return m_song && m_library; }
    Q_INVOKABLE void toggle();

Q_SIGNALS:
    void libraryChanged();
    void textChanged();

private:
    void update();

    QPointer<LibraryStore> m_library;
    QMetaObject::Connection m_connection;
    std::optional<Song> m_song;
    QString m_text = QStringLiteral("Like");
    bool m_available = false;
};
