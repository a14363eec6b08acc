#pragma once

#include <QObject>
#include <QPointer>
#include <QtQml/qqmlregistration.h>

#include "ConnectViewModel.h"
#include "MainViewModel.h"

class AppState;
#include "Playback/PlayerController.h"

// What the window shows: the connect screen until the session holds a client
// with its library and download stores, the main window from then on. Each
// showing of the form gets a fresh model (empty fields); the main window is
// built anew for every server address, and after every sign-out.
class RootViewModel : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Built by the application.")

    // The model of the screen shown: the connect form's or the main window's.
    // It changes once per switch; the window builds the screen anew each time.
    Q_PROPERTY(QObject *screen READ screen NOTIFY screenChanged)
    Q_PROPERTY(ConnectViewModel *connectView READ connectView NOTIFY screenChanged)
    Q_PROPERTY(MainViewModel *mainView READ mainView NOTIFY screenChanged)

public:
    RootViewModel(AppState *appState, PlayerController *player, QObject *parent = nullptr);

    ConnectViewModel *connectView() const { return m_connectView; }
    MainViewModel *mainView() const { return m_mainView; }
    QObject *screen() const;

Q_SIGNALS:
    void screenChanged();

private:
    void sessionChanged();

    QPointer<AppState> m_appState;
    QPointer<PlayerController> m_player;
    ConnectViewModel::SignIn m_signIn;
    QString m_identity; // the main window's server address
    QPointer<ConnectViewModel> m_connectView;
    QPointer<MainViewModel> m_mainView;
};
