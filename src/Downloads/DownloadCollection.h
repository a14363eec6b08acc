#pragma once

#include <QJsonObject>
#include <QMetaType>
#include <QString>

#include <optional>

class JsonTextWriter;

// A downloaded album or playlist as the downloads lists show it. Its record is
// written only when its download finished cleanly.
struct DownloadCollection
{
    Q_GADGET
    Q_PROPERTY(QString key MEMBER key CONSTANT)
    Q_PROPERTY(QString id READ id CONSTANT)
    Q_PROPERTY(QString name MEMBER name CONSTANT)
    Q_PROPERTY(QString subtitle READ subtitleText CONSTANT)
    Q_PROPERTY(bool hasSubtitle READ hasSubtitle CONSTANT)

public:
    // The owner key, "album:<id>" or "playlist:<id>"; also the identity.
    QString key;
    QString name;
    // The album's artist, or "Playlist" for a playlist.
    std::optional<QString> subtitle;

    QString id() const { return key; }
    QString subtitleText() const { return subtitle.value_or(QString()); }
    bool hasSubtitle() const { return subtitle.has_value(); }

    static std::optional<DownloadCollection> fromJson(const QJsonValue &value);
    // As one object of "manifest.json"; no "subtitle" key when there is none.
    void writeJson(JsonTextWriter &json) const;

    friend bool operator==(const DownloadCollection &, const DownloadCollection &) = default;
};

Q_DECLARE_METATYPE(DownloadCollection)
