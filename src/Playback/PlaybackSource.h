#pragma once

#include <QJsonObject>
#include <QMetaType>
#include <QString>

#include <optional>

// The album or playlist a queue was started from.
struct PlaybackSource
{
    enum class Kind { Album, Playlist };

    Kind kind = Kind::Album;
    QString id;
    QString name;

    static PlaybackSource album(const QString &id, const QString &name) { return {Kind::Album, id, name}; }
    static PlaybackSource playlist(const QString &id, const QString &name)
    {
        return {Kind::Playlist, id, name};
    }

    static constexpr auto InvalidKeyCountMessage = "Invalid number of keys found, expected one.";

    // {"album": {"id": …, "name": …}} or {"playlist": {…}}: exactly one of the
    // two keys. On failure `error` (when given) receives a description.
    static std::optional<PlaybackSource> fromJson(const QJsonValue &value, QString *error = nullptr);
    QJsonObject toJson() const;

    friend bool operator==(const PlaybackSource &, const PlaybackSource &) = default;
};

Q_DECLARE_METATYPE(PlaybackSource)
