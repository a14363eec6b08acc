#pragma once

#include <QMetaType>
#include <QObject>

#include <optional>

#include "Models/Album.h"
#include "Models/Artist.h"
#include "Models/Song.h"

// What one search row stands for: an artist, an album or a song, with its
// record. A picked suggestion opens an artist or an album page.
class SearchSuggestion
{
    Q_GADGET
    Q_PROPERTY(Kind kind READ kind CONSTANT)
public:
    enum class Kind { Artist, Album, Song };
    Q_ENUM(Kind)

    SearchSuggestion() = default;
    static SearchSuggestion artist(const ::Artist &artist);
    static SearchSuggestion album(const ::Album &album);
    static SearchSuggestion song(const ::Song &song);

    Kind kind() const { return m_kind; }
    // The record of the suggestion's kind; the others are empty.
    const ::Artist &artistRecord() const { return m_artist; }
    const ::Album &albumRecord() const { return m_album; }
    const ::Song &songRecord() const { return m_song; }

    // The album page a song opens: its album built from the song's album
    // fields, or none when the song names no album id.
    static std::optional<::Album> albumOf(const ::Song &song);

    friend bool operator==(const SearchSuggestion &, const SearchSuggestion &) = default;

private:
    Kind m_kind = Kind::Artist;
    ::Artist m_artist;
    ::Album m_album;
    ::Song m_song;
};

Q_DECLARE_METATYPE(SearchSuggestion)
