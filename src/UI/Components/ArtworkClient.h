#pragma once

#include <QCoroTask>
#include <QImage>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>
#include <QtQml/qqmlregistration.h>

#include <optional>

#include "Components/ArtworkLoadQueue.h"
#include "Networking/SubsonicClient.h"

class ArtworkFetcher;

// What a cover image needs of the signed-in account: the client that builds
// cover-art addresses, the fetcher that loads them, and the queue their loads
// wait in. The application keeps one, `current()`, in step with the signed-in
// account; cover images use it unless they are given another (tests give
// their own, on a loopback server and a private fetcher).
class ArtworkClient : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Made by the application.")

public:
    static constexpr int MaxLoads = 6;

    // `fetcher` null: the run's shared fetcher, taken on first use. A given
    // fetcher that is destroyed first leaves the client without covers. At
    // most `maxLoads` covers load at once.
    explicit ArtworkClient(
        ArtworkFetcher *fetcher = nullptr, QObject *parent = nullptr, int maxLoads = MaxLoads);
    ~ArtworkClient() override;

    static ArtworkClient *current();
    static void setCurrent(ArtworkClient *client);

    void setClient(std::optional<SubsonicClient> client);
    const std::optional<SubsonicClient> &client() const { return m_client; }
    ArtworkFetcher *fetcher();
    ArtworkLoadQueue *queue() { return &m_queue; }

    // The memory-cache key of a cover at a pixel size; none without a client.
    std::optional<QString> cacheKey(const QString &id, int pixelSize) const;
    // The cover from the fetcher, null when it cannot be had or there is no client.
    QCoro::Task<QImage> image(QString id, int pixelSize);

Q_SIGNALS:
    void clientChanged();

private:
    QPointer<ArtworkFetcher> m_fetcher;
    bool m_sharedFetcher;
    std::optional<SubsonicClient> m_client;
    QUrl m_coverArtBase;
    ArtworkLoadQueue m_queue;
};
