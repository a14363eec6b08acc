#include "ArtworkClient.h"

#include <QPointer>

#include "Downloads/ArtworkFetcher.h"
#include "Support/ArtworkStore.h"

namespace {
QPointer<ArtworkClient> &currentClient()
{
    static QPointer<ArtworkClient> client;
    return client;
}
} // namespace

ArtworkClient::ArtworkClient(ArtworkFetcher *fetcher, QObject *parent, int maxLoads)
    : QObject(parent)
    , m_fetcher(fetcher)
    , m_sharedFetcher(!fetcher)
    , m_queue(maxLoads)
{ }

ArtworkClient::~ArtworkClient()
{
    if (currentClient() == this)
        currentClient() = nullptr;
}

ArtworkClient *ArtworkClient::current()
{
    return currentClient();
}

void ArtworkClient::setCurrent(ArtworkClient *client)
{
    currentClient() = client;
}

void ArtworkClient::setClient(std::optional<SubsonicClient> client)
{
    m_client = std::move(client);
    // Every cover of one server shares the address without its query, so the
    // keys are worked out without signing a request per cover.
    m_coverArtBase = m_client ? m_client->coverArtURL(QStringLiteral("-"), std::nullopt) : QUrl();
    Q_EMIT clientChanged();
}

ArtworkFetcher *ArtworkClient::fetcher()
{
    if (m_sharedFetcher && !m_fetcher)
        m_fetcher = ArtworkFetcher::shared();
    return m_fetcher;
}

std::optional<QString> ArtworkClient::cacheKey(const QString &id, int pixelSize) const
{
    if (!m_client)
        return std::nullopt;
    return ArtworkStore::key(m_coverArtBase, id, pixelSize);
}

QCoro::Task<QImage> ArtworkClient::image(QString id, int pixelSize)
{
    ArtworkFetcher *loader = fetcher();
    if (!m_client || !loader)
        co_return QImage();
    const QUrl url = m_client->coverArtURL(id, pixelSize);
    QImage result = co_await loader->image(id, pixelSize, url);
    co_return result;
}
