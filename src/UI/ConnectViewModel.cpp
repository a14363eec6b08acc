#include "ConnectViewModel.h"

#include "Networking/SubsonicError.h"
#include "Networking/TransportError.h"
#include "Support/Async.h"
#include "TextTrimming.h"

ConnectViewModel::ConnectViewModel(SignIn signIn, QObject *parent)
    : QObject(parent)
    , m_signIn(std::move(signIn))
{ }

void ConnectViewModel::setServerURL(const QString &text)
{
    if (text == m_serverURL)
        return;
    m_serverURL = text;
    Q_EMIT serverURLChanged();
    updateCanConnect();
}

void ConnectViewModel::setUsername(const QString &text)
{
    if (text == m_username)
        return;
    m_username = text;
    Q_EMIT usernameChanged();
    updateCanConnect();
}

void ConnectViewModel::setPassword(const QString &text)
{
    if (text == m_password)
        return;
    m_password = text;
    Q_EMIT passwordChanged();
    updateCanConnect();
}

bool ConnectViewModel::canConnect() const
{
    return !TextTrimming::spacesAndTabs(m_serverURL).isEmpty() && !m_username.isEmpty()
        && !m_password.isEmpty() && !m_isConnecting;
}

void ConnectViewModel::connect()
{
    setErrorMessage(std::nullopt);
    setConnecting(true);
    // The sign-in reads the fields when it starts running, after this event.
    Async::startQueued(this, [this] { run(QPointer<ConnectViewModel>(this), m_signIn); });
}

void ConnectViewModel::submit()
{
    if (canConnect())
        connect();
}

QCoro::Task<> ConnectViewModel::run(QPointer<ConnectViewModel> self, SignIn signIn)
{
    const QString serverURL = self->m_serverURL;
    const QString username = self->m_username;
    const QString password = self->m_password;
    std::optional<QString> failure;
    try {
        if (!signIn)
            throw SubsonicError::invalidResponse();
        co_await signIn(serverURL, username, password);
    } catch (const SubsonicError &error) {
        failure = error.localizedDescription();
    } catch (const TransportError &error) {
        failure = error.localizedDescription();
    } catch (const std::exception &error) {
        failure = QString::fromUtf8(error.what());
    }
    // A successful sign-in replaces the form; it may be gone by now.
    if (!self)
        co_return;
    if (failure)
        self->setErrorMessage(failure);
    self->setConnecting(false);
}

void ConnectViewModel::setConnecting(bool connecting)
{
    if (connecting == m_isConnecting)
        return;
    m_isConnecting = connecting;
    Q_EMIT isConnectingChanged();
    updateCanConnect();
}

void ConnectViewModel::setErrorMessage(const std::optional<QString> &message)
{
    if (message == m_errorMessage)
        return;
    m_errorMessage = message;
    Q_EMIT errorMessageChanged();
}

void ConnectViewModel::updateCanConnect()
{
    const bool can = canConnect();
    if (can == m_canConnect)
        return;
    m_canConnect = can;
    Q_EMIT canConnectChanged();
}
