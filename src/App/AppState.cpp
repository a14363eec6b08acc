#include "AppState.h"

#include <QPointer>
#include <QSettings>

#include "App/AccountFiles.h"
#include "Downloads/ArtworkFetcher.h"
#include "Networking/UrlSession.h"
#include "Support/Keychain.h"

using namespace Qt::StringLiterals;

namespace {

const QString ServerURLKey = u"serverURL"_s;
const QString UsernameKey = u"username"_s;

// A stored text, or nothing when the key is absent or holds something else.
std::optional<QString> storedText(const QSettings &settings, const QString &key)
{
    const QVariant value = settings.value(key);
    if (value.typeId() != QMetaType::QString)
        return std::nullopt;
    return value.toString();
}

// An address stored by an older run may still carry user info
// ("bob:secret@"), and the account key built from it with it. Moves the
// sign-in over to the clean address: the password under the clean key first,
// then the stored address, and only then the old item goes. Should a sign-out
// or another sign-in have come in meanwhile, the clean copy goes instead.
QCoro::Task<> moveToCleanAddress(QString oldText, QString newText, QString username, QString password)
{
    const std::optional<QString> failure
        = co_await Keychain::save(password, ServerConfig::accountKey(username, newText));
    if (failure)
        co_return; // the next launch tries again
    QSettings settings;
    const std::optional<QString> storedURL = storedText(settings, ServerURLKey);
    const bool sameUser = storedText(settings, UsernameKey) == username;
    if (sameUser && storedURL == oldText) {
        settings.setValue(ServerURLKey, newText);
        co_await Keychain::deletePassword(ServerConfig::accountKey(username, oldText));
    } else if (!sameUser || storedURL != newText) {
        co_await Keychain::deletePassword(ServerConfig::accountKey(username, newText));
    }
}

// The saved address (as stored) and user name, when both are there and the
// address parses.
std::optional<std::pair<QString, QString>> storedAccount(const QSettings &settings)
{
    const std::optional<QString> urlText = storedText(settings, ServerURLKey);
    if (!urlText || urlText->isEmpty() || !QUrl(*urlText, QUrl::StrictMode).isValid())
        return std::nullopt;
    const std::optional<QString> username = storedText(settings, UsernameKey);
    if (!username)
        return std::nullopt;
    return std::pair(*urlText, *username);
}

} // namespace

void AppState::prepareRestore()
{
    if (const auto account = storedAccount(QSettings()))
        Keychain::prepareRead(ServerConfig::accountKey(account->second, account->first));
}

AppState::AppState(QObject *parent)
    : QObject(parent)
{
    restoreSession();
}

AppState::~AppState() = default;

void AppState::setClient(std::optional<SubsonicClient> client)
{
    // The old stores stop first: a download run that went on would write the
    // account's "manifest.json" beside the new store's, and a load that went
    // on would still talk to the server for a store nobody reads.
    LibraryStore *oldLibrary = m_library;
    DownloadStore *oldDownloads = m_downloads;
    if (oldLibrary)
        oldLibrary->cancelAll();
    if (oldDownloads)
        oldDownloads->cancelAll();

    const bool changed = m_client != client;
    m_client = std::move(client);
    m_library = m_client ? new LibraryStore(*m_client, this) : nullptr;
    m_downloads = m_client ? new DownloadStore(*m_client, this) : nullptr;
    // A new download store points the artwork fetcher at its own folder; with
    // no account, covers are no longer looked up in the old one. Done at once,
    // so that a sign-in right after cannot find its folder cleared later.
    if (!m_client)
        ArtworkFetcher::shared()->setOfflineDirectory(std::nullopt);

    if (changed)
        Q_EMIT clientChanged();
    if (m_library != oldLibrary)
        Q_EMIT libraryChanged();
    if (m_downloads != oldDownloads)
        Q_EMIT downloadsChanged();
    // Views may still hold the old stores until they see the change. The
    // old library's playlist writes still reach the server, under its account.
    if (oldLibrary)
        oldLibrary->retire();
    if (oldDownloads)
        oldDownloads->deleteLater();
}

void AppState::dismissPasswordSaveError()
{
    setPasswordSaveError({});
}

void AppState::setPasswordSaveError(const QString &text)
{
    if (m_passwordSaveError == text)
        return;
    m_passwordSaveError = text;
    Q_EMIT passwordSaveErrorChanged();
}

std::optional<QUrl> AppState::normalizeServerURL(const QString &text)
{
    QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return std::nullopt;
    if (!trimmed.contains(u"://"_s))
        trimmed.prepend(u"https://"_s);
    while (trimmed.endsWith(u'/'))
        trimmed.chop(1);
    QUrl url(trimmed, QUrl::StrictMode);
    if (!url.isValid() || url.host(QUrl::FullyEncoded).isEmpty())
        return std::nullopt;
    // User info ("bob:secret@") would be stored, shown in the settings and
    // sent with every request: the address never keeps it.
    url.setUserInfo(QString());
    return url;
}

void AppState::restoreSession()
{
    const std::optional<std::pair<QString, QString>> account = storedAccount(QSettings());
    if (!account)
        return;
    const QString *urlText = &account->first;
    const QString *username = &account->second;
    const QUrl url(*urlText, QUrl::StrictMode);
    const std::optional<QString> password = Keychain::password(ServerConfig::accountKey(*username, *urlText));
    if (!password)
        return;
    const QUrl clean = url.adjusted(QUrl::RemoveUserInfo);
    ServerConfig config {clean, *username, *password};
    // The downloads, the saved session and the saved place go by the account
    // key too: they follow it to the clean address before anything looks
    // for them there. When some of them cannot follow, the stored address
    // stays as it is, so that they are not given up: the next start tries
    // again. When the saved session could not follow, the run goes on under
    // the old key, where it and everything else still are; only the
    // requests go to the clean address.
    const ServerConfig old {url, *username, {}};
    const AccountFiles::Move move
        = clean == url ? AccountFiles::Move::Done : AccountFiles::moveAccount(old, config);
    if (move == AccountFiles::Move::NothingMoved)
        config.filesURLText = url.toString(QUrl::FullyEncoded);
    setClient(SubsonicClient(config, UrlSession::shared()));
    if (move == AccountFiles::Move::Done && clean != url)
        moveToCleanAddress(*urlText, clean.toString(QUrl::FullyEncoded), *username, *password);
}

QCoro::Task<> AppState::connect(QString urlString, QString username, QString password)
{
    const std::optional<QUrl> url = normalizeServerURL(urlString);
    if (!url)
        throw SubsonicError::invalidResponse();
    // The one text of the address: stored as it is and used for the account
    // key, so the key is the same at sign-in, at launch and at sign-out.
    const QString urlText = url->toString(QUrl::FullyEncoded);
    const SubsonicClient client(ServerConfig {*url, username, password}, UrlSession::shared());

    QPointer<AppState> self(this);
    co_await client.ping();
    if (!self)
        co_return;

    {
        QSettings settings;
        settings.setValue(ServerURLKey, urlText);
        settings.setValue(UsernameKey, username);
    }
    const std::optional<QString> failure
        = co_await Keychain::save(password, ServerConfig::accountKey(username, urlText));
    if (!self)
        co_return;

    setClient(client);
    // Signed in for this run either way; without a saved password the next
    // launch starts signed out, so the user hears why, once.
    setPasswordSaveError(failure.value_or(QString()));
}

QCoro::Task<> AppState::logout()
{
    // Nothing is awaited until every effect is done: a sign-in or a load
    // that resumed in the middle would find the sign-in half taken apart. The
    // keyring deletes in the background, in the order its jobs were started,
    // so a later sign-in's save still comes after it.
    std::optional<QCoro::Task<>> deletion;
    {
        QSettings settings;
        const std::optional<QString> urlText = storedText(settings, ServerURLKey);
        const std::optional<QString> username = storedText(settings, UsernameKey);
        if (urlText && username)
            deletion = Keychain::deletePassword(ServerConfig::accountKey(*username, *urlText));
        settings.remove(ServerURLKey);
        settings.remove(UsernameKey);
    }
    setClient(std::nullopt);
    setPasswordSaveError({});
    if (deletion)
        co_await std::move(*deletion);
}
