#include "AlbumListType.h"

namespace AlbumListTypes {

QList<AlbumListType> all()
{
    return {AlbumListType::Newest, AlbumListType::Recent, AlbumListType::AlphabeticalByName,
        AlbumListType::AlphabeticalByArtist, AlbumListType::Random, AlbumListType::Frequent,
        AlbumListType::Highest};
}

QString rawValue(AlbumListType type)
{
    switch (type) {
    case AlbumListType::Newest:
        return QStringLiteral("newest");
    case AlbumListType::Recent:
        return QStringLiteral("recent");
    case AlbumListType::AlphabeticalByName:
        return QStringLiteral("alphabeticalByName");
    case AlbumListType::AlphabeticalByArtist:
        return QStringLiteral("alphabeticalByArtist");
    case AlbumListType::Random:
        return QStringLiteral("random");
    case AlbumListType::Frequent:
        return QStringLiteral("frequent");
    case AlbumListType::Highest:
        return QStringLiteral("highest");
    }
    return {};
}

std::optional<AlbumListType> fromRawValue(const QString &text)
{
    for (AlbumListType type : all()) {
        if (rawValue(type) == text)
            return type;
    }
    return std::nullopt;
}

std::optional<AlbumListType> fromJson(const QJsonValue &value)
{
    if (!value.isString())
        return std::nullopt;
    return fromRawValue(value.toString());
}

} // namespace AlbumListTypes
