#pragma once

#include <QSettings>
#include <QStandardPaths>
#include <QStringList>
#include <QUrl>

#include <memory>
#include <optional>

#include "Helpers/FakeQueuePlayer.h"
#include "Helpers/RecordLists.h"
#include "Networking/SubsonicClient.h"
#include "Networking/UrlSession.h"
#include "Playback/PlayerController.h"

// An engine over a scripted player, for the now-playing bar's view models.
namespace NowPlayingFixture {

// Songs "s<n>" with the given fields; empty texts stay absent.
inline Song song(int n, const QString &albumId = QStringLiteral("al"),
    const QString &album = QStringLiteral("Album"), const QString &artist = QStringLiteral("Artist"),
    const QString &artistId = QStringLiteral("ar"), std::optional<qint64> duration = 200)
{
    Song s;
    s.id = QStringLiteral("s%1").arg(n);
    s.title = QStringLiteral("Song %1").arg(n);
    auto optional = [](const QString &text) { return text.isEmpty() ? std::nullopt : std::optional(text); };
    s.albumId = optional(albumId);
    s.album = optional(album);
    s.artist = optional(artist);
    s.artistId = optional(artistId);
    s.coverArt = optional(albumId);
    s.duration = duration;
    s.suffix = QStringLiteral("mp3");
    return s;
}

inline QList<Song> songs(int count)
{
    QList<Song> list;
    for (int n = 1; n <= count; ++n)
        list.append(song(n));
    return list;
}

inline SubsonicClient client(const QUrl &base = QUrl(QStringLiteral("http://127.0.0.1:9")))
{
    return SubsonicClient(
        ServerConfig {base, QStringLiteral("user"), QStringLiteral("secret")}, UrlSession::shared());
}

struct Engine
{
    FakeQueuePlayer *player = new FakeQueuePlayer;
    std::unique_ptr<PlayerController> controller;

    Engine()
    {
        QStandardPaths::setTestModeEnabled(true);
        // No play reports: these tests are about the bar.
        QSettings().setValue(QStringLiteral("scrobbleEnabled"), false);
        controller = std::make_unique<PlayerController>(player);
    }
};

} // namespace NowPlayingFixture
