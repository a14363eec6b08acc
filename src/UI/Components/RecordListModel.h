#pragma once

#include <QAbstractListModel>
#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>

// The base of the interface's record lists. Records stay in C++; QML reads
// them only through roles, and sends actions back by row (or id), which the
// page's view model resolves to the record.
//
// Declaring a list model:
//
//     class AlbumListModel : public RecordListModel<Album>
//     {
//         Q_OBJECT
//     public:
//         enum Role { NameRole = Qt::UserRole + 1, ArtistRole, LikedRole };
//         explicit AlbumListModel(QObject *parent = nullptr)
//             : RecordListModel({{NameRole, "name"}, {ArtistRole, "artist"}, {LikedRole, "liked"}}, parent)
//         { }
//     protected:
//         QString keyOf(const Album &album) const override { return album.id; }
//         QVariant roleData(const Album &album, int row, int role) const override;
//     };
//
// and changing it:
// - setRecords(list): a new answer for the whole list. Rows whose key stays
//   keep their place; a changed record of the same key is a dataChanged of
//   its row, rows that came or went are inserted or removed; only a list
//   with nothing in common at either end is a reset.
// - append(page): the next page of a paged list (rows inserted at the end).
// - rowChanged(row, roles): state that lives outside the record changed for
//   one row (liked, downloaded, now playing); never a reset for that.
class RecordListModelBase : public QAbstractListModel
{
    Q_OBJECT
    Q_PROPERTY(int count READ count NOTIFY countChanged)

public:
    int count() const { return rowCount(); }
    QHash<int, QByteArray> roleNames() const override { return m_roleNames; }

    // `roles` empty: every role of the row.
    void rowChanged(int row, const QList<int> &roles = {});

Q_SIGNALS:
    void countChanged();

protected:
    RecordListModelBase(QHash<int, QByteArray> roleNames, QObject *parent);

    // Makes `current`, shown at rows [offset, offset + size), equal to
    // `next` with the fewest row changes the ends allow (see above). A model
    // with rows of its own before the records passes their count as `offset`;
    // such a model is never reset, its records are removed and inserted.
    template<typename Record, typename KeyOf>
    void replaceRecords(QList<Record> &current, QList<Record> next, int offset, KeyOf keyOf);
    template<typename Record> void appendRecords(QList<Record> &current, QList<Record> more, int offset);

private:
    void countMayHaveChanged();

    QHash<int, QByteArray> m_roleNames;
    int m_count = 0;
};

template<typename Record, typename KeyOf>
void RecordListModelBase::replaceRecords(QList<Record> &current, QList<Record> next, int offset, KeyOf keyOf)
{
    const qsizetype n = current.size();
    const qsizetype m = next.size();
    qsizetype prefix = 0;
    while (prefix < n && prefix < m && keyOf(current.at(prefix)) == keyOf(next.at(prefix)))
        ++prefix;
    qsizetype suffix = 0;
    while (suffix < n - prefix && suffix < m - prefix
        && keyOf(current.at(n - 1 - suffix)) == keyOf(next.at(m - 1 - suffix)))
        ++suffix;

    if (offset == 0 && prefix == 0 && suffix == 0 && n > 0 && m > 0) {
        beginResetModel();
        current = std::move(next);
        endResetModel();
        return;
    }
    if (n - suffix > prefix) {
        beginRemoveRows({}, offset + int(prefix), offset + int(n - suffix) - 1);
        current.remove(prefix, n - suffix - prefix);
        endRemoveRows();
    }
    if (m - suffix > prefix) {
        beginInsertRows({}, offset + int(prefix), offset + int(m - suffix) - 1);
        current.insert(prefix, m - suffix - prefix, Record());
        for (qsizetype i = prefix; i < m - suffix; ++i)
            current[i] = next.at(i);
        endInsertRows();
    }
    for (qsizetype i = 0; i < m; ++i) {
        if (!(current.at(i) == next.at(i))) {
            current[i] = next.at(i);
            const QModelIndex changed = index(offset + int(i));
            Q_EMIT dataChanged(changed, changed);
        }
    }
}

template<typename Record>
void RecordListModelBase::appendRecords(QList<Record> &current, QList<Record> more, int offset)
{
    if (more.isEmpty())
        return;
    const int first = offset + int(current.size());
    beginInsertRows({}, first, first + int(more.size()) - 1);
    current.append(std::move(more));
    endInsertRows();
}

// A list of one record type; see RecordListModelBase for how to declare and
// change one.
template<typename Record> class RecordListModel : public RecordListModelBase
{
public:
    const QList<Record> &records() const { return m_records; }
    // Null for a row outside the list.
    const Record *recordAt(int row) const
    {
        return row >= 0 && row < m_records.size() ? &m_records.at(row) : nullptr;
    }
    // The first row of the record with `key`, or -1.
    int rowOf(const QString &key) const
    {
        for (qsizetype row = 0; row < m_records.size(); ++row) {
            if (keyOf(m_records.at(row)) == key)
                return int(row);
        }
        return -1;
    }

    void setRecords(QList<Record> records)
    {
        replaceRecords(m_records, std::move(records), 0, [this](const Record &r) { return keyOf(r); });
    }
    void append(QList<Record> more) { appendRecords(m_records, std::move(more), 0); }
    // Moves the row at `from` to `to` (a row dragged within the list); false
    // when either is out of range or they are the same.
    bool moveRecord(int from, int to)
    {
        const int n = int(m_records.size());
        if (from < 0 || to < 0 || from >= n || to >= n || from == to)
            return false;
        beginMoveRows(QModelIndex(), from, from, QModelIndex(), to > from ? to + 1 : to);
        m_records.move(from, to);
        endMoveRows();
        return true;
    }

    int rowCount(const QModelIndex &parent = {}) const override
    {
        return parent.isValid() ? 0 : int(m_records.size());
    }
    QVariant data(const QModelIndex &index, int role) const override
    {
        const Record *record = index.isValid() ? recordAt(index.row()) : nullptr;
        return record ? roleData(*record, index.row(), role) : QVariant();
    }

protected:
    using RecordListModelBase::RecordListModelBase;

    // The record's identity: a row keeps its place while its key stays.
    virtual QString keyOf(const Record &record) const = 0;
    virtual QVariant roleData(const Record &record, int row, int role) const = 0;

private:
    QList<Record> m_records;
};
