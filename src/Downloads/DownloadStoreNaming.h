#pragma once

#include <QString>

#include <algorithm>

// The names the download store gives its downloads and files, shared by its
// source files.
namespace DownloadStoreNaming {

// A run's owner key: the collection's kind and id.
inline const QString AlbumPrefix = QStringLiteral("album:");
inline const QString PlaylistPrefix = QStringLiteral("playlist:");

// In-flight downloads: the leading dot keeps them from ever looking like a
// song's file ("<sha>." + suffix) to the lookup that lists the folder.
inline const QString PartialTemplate = QStringLiteral(".partial-XXXXXX");

// A suffix from the server or from the manifest becomes part of a file name:
// only a short run of ASCII letters and digits, so that nothing can leave the
// folder and the name stays within the file system's limit.
constexpr qsizetype MaxSuffixLength = 16;

inline bool isPlainSuffix(const QString &suffix)
{
    if (suffix.size() > MaxSuffixLength)
        return false;
    return std::all_of(suffix.cbegin(), suffix.cend(), [](QChar c) {
        return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9');
    });
}

} // namespace DownloadStoreNaming
