#pragma once

#include <QCoroTask>
#include <QImage>
#include <QObject>
#include <QPointer>
#include <QUrl>

#include <functional>

#include "Models/Song.h"
#include "Networking/SubsonicClient.h"
#include "Platform/NowPlayingCenter.h"

// Keeps the desktop's now-playing display in line with the engine: the whole
// entry on track changes and play/pause, only the times on the periodic tick,
// and the cover once it has loaded.
class NowPlayingPublisher : public QObject
{
    Q_OBJECT
public:
    static constexpr int ArtworkPixelSize = 1024;

    // Loads a cover by id at a pixel size from a (signed) URL; a null image
    // when it cannot be had. The URL never leaves the process.
    using ArtworkLoader = std::function<QCoro::Task<QImage>(QString id, int pixelSize, QUrl url)>;

    // What the engine is playing; pointers are null when there is none.
    struct State
    {
        const Song *song = nullptr;
        double duration = 0;
        double currentTime = 0;
        bool isPlaying = false;
        const SubsonicClient *client = nullptr;
    };

    NowPlayingPublisher(NowPlayingCenter *center, ArtworkLoader loader, QObject *parent = nullptr);

    NowPlayingCenter *center() const { return m_center; }

    // Rebuilds the entry (dropping the cover shown so far) and loads the cover.
    void updateNowPlayingInfo(const State &state);
    // Only the elapsed time, the duration and the rate; nothing without an entry.
    void updateNowPlayingElapsedTime(const State &state);
    // Nothing is loaded any more.
    void clear();

private:
    void loadNowPlayingArtwork(const Song &song, const SubsonicClient *client);
    QCoro::Task<> applyArtwork(QString songId, QString coverId, QUrl url);

    QPointer<NowPlayingCenter> m_center;
    ArtworkLoader m_loader;
};
