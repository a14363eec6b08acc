#include "SearchSuggestion.h"

SearchSuggestion SearchSuggestion::artist(const ::Artist &artist)
{
    SearchSuggestion suggestion;
    suggestion.m_kind = Kind::Artist;
    suggestion.m_artist = artist;
    return suggestion;
}

SearchSuggestion SearchSuggestion::album(const ::Album &album)
{
    SearchSuggestion suggestion;
    suggestion.m_kind = Kind::Album;
    suggestion.m_album = album;
    return suggestion;
}

SearchSuggestion SearchSuggestion::song(const ::Song &song)
{
    SearchSuggestion suggestion;
    suggestion.m_kind = Kind::Song;
    suggestion.m_song = song;
    return suggestion;
}

std::optional<::Album> SearchSuggestion::albumOf(const ::Song &song)
{
    if (!song.albumId)
        return std::nullopt;
    ::Album album;
    album.id = *song.albumId;
    // The album page loads the whole album by its id; the name only titles
    // it until then.
    album.name = song.album.value_or(song.title);
    album.artist = song.artist;
    album.artistId = song.artistId;
    album.coverArt = song.coverArt;
    return album;
}
