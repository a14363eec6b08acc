#include "RecordListModel.h"

RecordListModelBase::RecordListModelBase(QHash<int, QByteArray> roleNames, QObject *parent)
    : QAbstractListModel(parent)
    , m_roleNames(std::move(roleNames))
{
    connect(this, &QAbstractItemModel::rowsInserted, this, &RecordListModelBase::countMayHaveChanged);
    connect(this, &QAbstractItemModel::rowsRemoved, this, &RecordListModelBase::countMayHaveChanged);
    connect(this, &QAbstractItemModel::modelReset, this, &RecordListModelBase::countMayHaveChanged);
}

void RecordListModelBase::countMayHaveChanged()
{
    const int count = rowCount();
    if (count == m_count)
        return;
    m_count = count;
    Q_EMIT countChanged();
}

void RecordListModelBase::rowChanged(int row, const QList<int> &roles)
{
    if (row < 0 || row >= rowCount())
        return;
    const QModelIndex changed = index(row);
    Q_EMIT dataChanged(changed, changed, roles);
}
