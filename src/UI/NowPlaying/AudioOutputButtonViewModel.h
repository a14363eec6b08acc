#pragma once

#include <QAbstractListModel>
#include <QList>
#include <QPointer>
#include <QString>
#include <QtQml/qqmlregistration.h>

#include "Platform/AudioOutput.h"

class AudioOutputMonitor;
class QueuePlayer;

// The now-playing bar's output button and its menu. The button is there only
// while the system offers more than one output; its menu lists "System
// Default" and then every output by name, the one playing checked. Choosing
// one moves the sound there without stopping the song.
//
// Row 0 is "System Default"; row n is the monitor's output n - 1.
class AudioOutputButtonViewModel : public QAbstractListModel
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Owned by the now-playing bar's view model.")

    Q_PROPERTY(bool isShown READ isShown NOTIFY isShownChanged)
    Q_PROPERTY(QString tooltip READ tooltip CONSTANT)
    Q_PROPERTY(QString symbol READ symbol CONSTANT)

public:
    enum Role {
        NameRole = Qt::UserRole + 1,
        CheckedRole,
    };
    Q_ENUM(Role)

    AudioOutputButtonViewModel(AudioOutputMonitor *monitor, QueuePlayer *player, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

    bool isShown() const;
    QString tooltip() const { return QStringLiteral("Audio Output"); }
    QString symbol() const { return QStringLiteral("hifispeaker.fill"); }
    static QString systemDefaultName() { return QStringLiteral("System Default"); }

    // A menu item was chosen.
    Q_INVOKABLE void choose(int row);

Q_SIGNALS:
    void isShownChanged();

private:
    void outputAdded(const AudioOutput &output);
    void outputRemoved(const QString &id);
    void outputChanged(const QString &previousId, const AudioOutput &output);
    int rowOf(const QString &id) const;
    void switchTo(const AudioOutput &output);

    QPointer<AudioOutputMonitor> m_monitor;
    QPointer<QueuePlayer> m_player;
    // The monitor's outputs, as the rows after the first show them.
    QList<AudioOutput> m_outputs;
};
