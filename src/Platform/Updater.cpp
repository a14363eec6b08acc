#include "Updater.h"

#include <QSettings>
#include <QVersionNumber>
#include <QXmlStreamReader>

#include "Networking/UrlSession.h"

using namespace Qt::StringLiterals;

namespace {

constexpr auto AutomaticChecksKey = "automaticallyChecksForUpdates"_L1;
constexpr auto SparkleNamespace = "http://www.andymatuschak.org/xml-namespaces/sparkle"_L1;

bool isWebLink(const QUrl &url)
{
    return url.isValid() && !url.host().isEmpty()
        && (url.scheme() == "https"_L1 || url.scheme() == "http"_L1);
}

QVersionNumber parsedVersion(const QString &text)
{
    qsizetype suffix = 0;
    const QVersionNumber version = QVersionNumber::fromString(text.trimmed(), &suffix);
    return version;
}

} // namespace

Updater::Updater(QUrl feedUrl, QString currentVersion, UrlSession *session, QObject *parent)
    : QObject(parent)
    , m_feedUrl(isWebLink(feedUrl) ? std::move(feedUrl) : QUrl())
    , m_currentVersion(std::move(currentVersion))
    , m_session(session)
{ }

bool Updater::canCheckForUpdates() const
{
    return !m_feedUrl.isEmpty() && m_session && !m_checking;
}

bool Updater::automaticallyChecksForUpdates() const
{
    // Read back from text: the settings file does not keep value types.
    const QVariant value = QSettings().value(AutomaticChecksKey);
    return !value.isValid() || value.toString() == "true"_L1;
}

void Updater::setAutomaticallyChecksForUpdates(bool enabled)
{
    if (enabled == automaticallyChecksForUpdates())
        return;
    QSettings().setValue(AutomaticChecksKey, enabled ? u"true"_s : u"false"_s);
    Q_EMIT automaticallyChecksForUpdatesChanged();
}

void Updater::checkForUpdatesInBackground()
{
    if (!canCheckForUpdates())
        return;
    setChecking(true);
    runCheck(QPointer<Updater>(this), m_feedUrl, m_session, false);
}

void Updater::checkForUpdates()
{
    if (!canCheckForUpdates())
        return;
    setChecking(true);
    runCheck(QPointer<Updater>(this), m_feedUrl, m_session, true);
}

QCoro::Task<> Updater::runCheck(QPointer<Updater> self, QUrl feedUrl, UrlSession *session, bool userInitiated)
{
    std::optional<QByteArray> body;
    try {
        const HttpResponse response = co_await session->data(feedUrl);
        if (response.status && *response.status >= 200 && *response.status <= 299)
            body = response.body;
    } catch (const std::exception &) { }
    if (!self)
        co_return;
    self->setChecking(false);

    Result result;
    if (body)
        result.release = newestRelease(*body);
    if (!result.release)
        result.outcome = Outcome::Failed;
    else if (isNewer(result.release->version, self->m_currentVersion))
        result.outcome = Outcome::UpdateAvailable;
    else
        result.outcome = Outcome::UpToDate;

    if (userInitiated || result.outcome == Outcome::UpdateAvailable)
        Q_EMIT self->checkFinished(userInitiated, result);
}

std::optional<Updater::Release> Updater::newestRelease(const QByteArray &feed)
{
    QXmlStreamReader xml(feed);
    std::optional<Release> newest;
    std::optional<Release> item;
    while (!xml.atEnd()) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        if (token == QXmlStreamReader::StartElement) {
            const auto name = xml.name();
            const bool sparkle = xml.namespaceUri() == SparkleNamespace;
            if (name == "item"_L1 && !sparkle) {
                item = Release {};
            } else if (!item) {
                continue;
            } else if (name == "enclosure"_L1 && !sparkle) {
                const QXmlStreamAttributes attributes = xml.attributes();
                if (attributes.hasAttribute(SparkleNamespace, "version"_L1))
                    item->version = attributes.value(SparkleNamespace, "version"_L1).toString();
                if (attributes.hasAttribute(SparkleNamespace, "shortVersionString"_L1))
                    item->displayVersion
                        = attributes.value(SparkleNamespace, "shortVersionString"_L1).toString();
                if (item->link.isEmpty())
                    item->link = QUrl(attributes.value("url"_L1).toString().trimmed());
            } else if (name == "version"_L1 && sparkle) {
                item->version = xml.readElementText();
            } else if (name == "shortVersionString"_L1 && sparkle) {
                item->displayVersion = xml.readElementText();
            } else if (name == "link"_L1 && !sparkle) {
                item->link = QUrl(xml.readElementText().trimmed());
            }
        } else if (token == QXmlStreamReader::EndElement && xml.name() == "item"_L1 && item) {
            item->version = item->version.trimmed();
            if (!parsedVersion(item->version).isNull()
                && (!newest || isNewer(item->version, newest->version))) {
                if (item->displayVersion.trimmed().isEmpty())
                    item->displayVersion = item->version;
                if (!isWebLink(item->link))
                    item->link = QUrl();
                newest = item;
            }
            item.reset();
        }
    }
    if (xml.hasError())
        return std::nullopt;
    return newest;
}

bool Updater::isNewer(const QString &candidate, const QString &current)
{
    const QVersionNumber a = parsedVersion(candidate);
    const QVersionNumber b = parsedVersion(current);
    if (a.isNull())
        return false;
    return QVersionNumber::compare(a, b) > 0;
}

void Updater::setChecking(bool checking)
{
    if (checking == m_checking)
        return;
    const bool could = canCheckForUpdates();
    m_checking = checking;
    if (could != canCheckForUpdates())
        Q_EMIT canCheckForUpdatesChanged();
}
