#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

#include "Platform/LocalNetworkBrowser.h"

// Raises the desktop's local-network permission prompt early for a server
// that looks local, by running a short browse whose results are ignored.
// At most one browse runs at a time; each ends 10 s after it starts.
class LocalNetworkPrompter : public QObject
{
    Q_OBJECT

public:
    using BrowserFactory = std::function<std::unique_ptr<LocalNetworkBrowser>()>;

    // The application's one prompter, with the platform's browser.
    static LocalNetworkPrompter &shared();

    explicit LocalNetworkPrompter(
        BrowserFactory factory, int browseMilliseconds = 10'000, QObject *parent = nullptr);
    ~LocalNetworkPrompter() override;

    // Whether a server host (percent-encoded, IPv6 without brackets) is likely
    // on the local network: loopback and private addresses, link-local ones,
    // and the names home routers hand out.
    static bool isLikelyLocalHost(const std::optional<QString> &host);

    // Starts a browse unless one is running.
    void trigger();
    bool isBrowsing() const { return m_browser != nullptr; }

private:
    BrowserFactory m_factory;
    int m_browseMilliseconds;
    std::unique_ptr<LocalNetworkBrowser> m_browser;
};
