#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGTERM and SIGINT into a signal on the GUI thread, so that a
// termination request ends the run through the ordinary quit (and its
// aboutToQuit saves) instead of killing the process on the spot.
// One instance per process; its handlers stay installed while it lives.
class TerminationSignals : public QObject
{
    Q_OBJECT
public:
    explicit TerminationSignals(QObject *parent = nullptr);
    ~TerminationSignals() override;

    bool isInstalled() const { return m_notifier != nullptr; }

    // Installs an instance that quits the application on either signal.
    static TerminationSignals *quitApplicationOnTermination(QObject *parent);

Q_SIGNALS:
    void received(int signalNumber);

private:
    void readPending();

    QSocketNotifier *m_notifier = nullptr;
};
