#include "LocalNetworkPrompter.h"

#include <QPointer>
#include <QTimer>

#include <arpa/inet.h>

LocalNetworkPrompter &LocalNetworkPrompter::shared()
{
    static LocalNetworkPrompter prompter([] { return std::make_unique<NullLocalNetworkBrowser>(); });
    return prompter;
}

LocalNetworkPrompter::LocalNetworkPrompter(BrowserFactory factory, int browseMilliseconds, QObject *parent)
    : QObject(parent)
    , m_factory(std::move(factory))
    , m_browseMilliseconds(browseMilliseconds)
{ }

LocalNetworkPrompter::~LocalNetworkPrompter()
{
    if (m_browser)
        m_browser->cancel();
}

bool LocalNetworkPrompter::isLikelyLocalHost(const std::optional<QString> &host)
{
    if (!host)
        return false;
    const QString name = host->toLower();
    if (name.isEmpty())
        return false;
    if (name == QLatin1String("localhost"))
        return true;
    for (const char *suffix : {".local", ".lan", ".home", ".internal", ".home.arpa"}) {
        if (name.endsWith(QLatin1String(suffix)))
            return true;
    }

    const QByteArray text = name.toLatin1();
    unsigned char v6[16];
    if (inet_pton(AF_INET6, text.constData(), v6) == 1) {
        // Only the short loopback spelling counts; other spellings fall to the
        // byte rules like any other address.
        if (name == QLatin1String("::1"))
            return true;
        if (v6[0] == 0xFE && (v6[1] & 0xC0) == 0x80)
            return true; // fe80::/10
        return v6[0] == 0xFC || v6[0] == 0xFD; // fc00::/7
    }

    in_addr v4 {};
    if (inet_pton(AF_INET, text.constData(), &v4) == 1) {
        const quint32 a = ntohl(v4.s_addr);
        return (a >> 24) == 10 || (a >> 24) == 127 || (a >> 20) == 0xAC1 || (a >> 16) == 0xC0A8
            || (a >> 16) == 0xA9FE;
    }
    return false;
}

void LocalNetworkPrompter::trigger()
{
    if (m_browser)
        return;
    m_browser = m_factory();
    if (!m_browser)
        return;
    m_browser->start();
    QTimer::singleShot(m_browseMilliseconds, this, [this] {
        if (m_browser)
            m_browser->cancel();
        m_browser.reset();
    });
}
