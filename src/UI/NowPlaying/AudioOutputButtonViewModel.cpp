#include "AudioOutputButtonViewModel.h"

#include "Platform/AudioOutputMonitor.h"
#include "Platform/QueuePlayer.h"

AudioOutputButtonViewModel::AudioOutputButtonViewModel(
    AudioOutputMonitor *monitor, QueuePlayer *player, QObject *parent)
    : QAbstractListModel(parent)
    , m_monitor(monitor)
    , m_player(player)
{
    if (!m_monitor)
        return;
    m_outputs = m_monitor->outputs();
    connect(m_monitor, &AudioOutputMonitor::outputAdded, this, &AudioOutputButtonViewModel::outputAdded);
    connect(m_monitor, &AudioOutputMonitor::outputRemoved, this, &AudioOutputButtonViewModel::outputRemoved);
    connect(m_monitor, &AudioOutputMonitor::outputChanged, this, &AudioOutputButtonViewModel::outputChanged);
    connect(m_monitor, &AudioOutputMonitor::routesAvailableChanged, this,
        &AudioOutputButtonViewModel::isShownChanged);
}

int AudioOutputButtonViewModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_outputs.size()) + 1;
}

QVariant AudioOutputButtonViewModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const int row = index.row();
    switch (role) {
    case NameRole:
    case Qt::DisplayRole:
        return row == 0 ? systemDefaultName() : m_outputs.at(row - 1).displayName;
    case CheckedRole:
        return m_player && rowOf(m_player->audioOutput().id) == row;
    default:
        return {};
    }
}

QHash<int, QByteArray> AudioOutputButtonViewModel::roleNames() const
{
    return {{NameRole, "name"}, {CheckedRole, "checked"}};
}

bool AudioOutputButtonViewModel::isShown() const
{
    return m_monitor && m_monitor->routesAvailable();
}

void AudioOutputButtonViewModel::choose(int row)
{
    if (row < 0 || row > m_outputs.size())
        return;
    switchTo(row == 0 ? AudioOutput {} : m_outputs.at(row - 1));
}

void AudioOutputButtonViewModel::outputAdded(const AudioOutput &output)
{
    const int row = int(m_outputs.size()) + 1;
    beginInsertRows({}, row, row);
    m_outputs.append(output);
    endInsertRows();
}

void AudioOutputButtonViewModel::outputRemoved(const QString &id)
{
    const int row = rowOf(id);
    if (row <= 0)
        return;
    const bool wasCurrent = m_player && m_player->audioOutput().id == id;
    beginRemoveRows({}, row, row);
    m_outputs.removeAt(row - 1);
    endRemoveRows();
    // The output playing went away: the sound goes back to the system's
    // choice, and the menu says so.
    if (wasCurrent)
        switchTo({});
}

void AudioOutputButtonViewModel::outputChanged(const QString &previousId, const AudioOutput &output)
{
    const int row = rowOf(previousId);
    if (row <= 0)
        return;
    m_outputs[row - 1] = output;
    Q_EMIT dataChanged(index(row), index(row), {NameRole, Qt::DisplayRole});
    // The output playing is still there: it stays chosen, under the name it
    // goes by now.
    if (m_player && m_player->audioOutput().id == previousId && output.id != previousId)
        switchTo(output);
}

int AudioOutputButtonViewModel::rowOf(const QString &id) const
{
    if (id.isEmpty())
        return 0;
    for (qsizetype i = 0; i < m_outputs.size(); ++i) {
        if (m_outputs.at(i).id == id)
            return int(i) + 1;
    }
    return -1;
}

void AudioOutputButtonViewModel::switchTo(const AudioOutput &output)
{
    if (!m_player)
        return;
    if (m_player->audioOutput().id == output.id)
        return;
    const int before = rowOf(m_player->audioOutput().id);
    m_player->setAudioOutput(output);
    const int after = rowOf(m_player->audioOutput().id);
    if (before == after)
        return;
    for (int row : {before, after}) {
        if (row >= 0)
            Q_EMIT dataChanged(index(row), index(row), {CheckedRole});
    }
}
