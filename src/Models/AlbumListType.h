#pragma once

#include <QJsonValue>
#include <QList>
#include <QString>

#include <optional>

// The kinds of album list the server produces; the text of each is both its
// JSON form and the "type" parameter of "getAlbumList2".
enum class AlbumListType {
    Newest,
    Recent,
    AlphabeticalByName,
    AlphabeticalByArtist,
    Random,
    Frequent,
    Highest,
};

namespace AlbumListTypes {

QList<AlbumListType> all();
QString rawValue(AlbumListType type);
// Only the seven exact, case-sensitive texts give a type.
std::optional<AlbumListType> fromRawValue(const QString &text);
std::optional<AlbumListType> fromJson(const QJsonValue &value);
inline QJsonValue toJson(AlbumListType type) { return rawValue(type); }

} // namespace AlbumListTypes

inline size_t qHash(AlbumListType type, size_t seed = 0)
{
    return qHash(AlbumListTypes::rawValue(type), seed);
}
