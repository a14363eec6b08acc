#pragma once

#include <QObject>
#include <QPointer>
#include <QtQml/qqmlregistration.h>

#include <optional>

#include "ConnectViewModel.h"
#include "MainViewModel.h"
#include "Networking/SubsonicClient.h"

// What the window shows: the connect screen while no account is signed in,
// the main window from then on. Each showing of either gets a fresh model, so
// the form starts empty and a main window for another server (or after a
// sign-out) starts from its own saved place.
class RootViewModel : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Built by the application.")

    Q_PROPERTY(ConnectViewModel *connectView READ connectView NOTIFY connectViewChanged)
    Q_PROPERTY(MainViewModel *mainView READ mainView NOTIFY mainViewChanged)

public:
    explicit RootViewModel(ConnectViewModel::SignIn signIn, QObject *parent = nullptr);

    ConnectViewModel *connectView() const { return m_connectView; }
    MainViewModel *mainView() const { return m_mainView; }

    // The signed-in client with its stores, or none. The main window is
    // built anew when the server address changes or after none.
    void setClient(const std::optional<SubsonicClient> &client);

Q_SIGNALS:
    void connectViewChanged();
    void mainViewChanged();

private:
    ConnectViewModel::SignIn m_signIn;
    std::optional<SubsonicClient> m_client;
    QPointer<ConnectViewModel> m_connectView;
    QPointer<MainViewModel> m_mainView;
};
