#pragma once

#include <QCoroTask>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QtQml/qqmlregistration.h>

#include <functional>

// The sign-in form's state: the three fields as typed, whether a sign-in
// runs, and the last failure's text. The sign-in itself is the session's
// (normalising the address, the "ping", saving the account); the form only
// hands over what was typed and shows how it went.
class ConnectViewModel : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Built by the root view's model.")

    Q_PROPERTY(QString serverURL READ serverURL WRITE setServerURL NOTIFY serverURLChanged)
    Q_PROPERTY(QString username READ username WRITE setUsername NOTIFY usernameChanged)
    Q_PROPERTY(QString password READ password WRITE setPassword NOTIFY passwordChanged)
    Q_PROPERTY(bool isConnecting READ isConnecting NOTIFY isConnectingChanged)
    Q_PROPERTY(QString errorMessage READ errorMessage NOTIFY errorMessageChanged)
    Q_PROPERTY(bool hasError READ hasError NOTIFY errorMessageChanged)
    Q_PROPERTY(bool canConnect READ canConnect NOTIFY canConnectChanged)

public:
    // Signs in with the address, user name and password exactly as typed;
    // throws the failure whose description the form shows.
    using SignIn = std::function<QCoro::Task<>(const QString &, const QString &, const QString &)>;

    explicit ConnectViewModel(SignIn signIn, QObject *parent = nullptr);

    QString serverURL() const { return m_serverURL; }
    void setServerURL(const QString &text);
    QString username() const { return m_username; }
    void setUsername(const QString &text);
    QString password() const { return m_password; }
    void setPassword(const QString &text);
    bool isConnecting() const { return m_isConnecting; }
    QString errorMessage() const { return m_errorMessage.value_or(QString()); }
    bool hasError() const { return m_errorMessage.has_value(); }

    // An address with something besides spaces and tabs, a user name and a
    // password (neither trimmed), and no sign-in running.
    bool canConnect() const;

    // Starts one sign-in; the caller has checked canConnect.
    Q_INVOKABLE void connect();
    // Return in any field: signs in when the form allows it.
    Q_INVOKABLE void submit();

Q_SIGNALS:
    void serverURLChanged();
    void usernameChanged();
    void passwordChanged();
    void isConnectingChanged();
    void errorMessageChanged();
    void canConnectChanged();

private:
    static QCoro::Task<> run(QPointer<ConnectViewModel> self, SignIn signIn);
    void setConnecting(bool connecting);
    void setErrorMessage(const std::optional<QString> &message);
    void updateCanConnect();

    SignIn m_signIn;
    QString m_serverURL;
    QString m_username;
    QString m_password;
    bool m_isConnecting = false;
    std::optional<QString> m_errorMessage;
    bool m_canConnect = false;
};
