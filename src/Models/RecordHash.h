#pragma once

#include <QHash>
#include <QHashFunctions>
#include <QList>
#include <QString>

#include <optional>

// Feeds fields into one hash in field order. An optional feeds a presence
// mark before its value, so an absent field and an empty one hash apart.
class RecordHash
{
public:
    explicit RecordHash(size_t seed)
        : m_seed(seed)
    {
    }

    template<typename T>
    RecordHash &operator<<(const T &value)
    {
        m_seed = QtPrivate::QHashCombine()(m_seed, value);
        return *this;
    }

    template<typename T>
    RecordHash &operator<<(const std::optional<T> &value)
    {
        m_seed = QtPrivate::QHashCombine()(m_seed, value.has_value());
        if (value)
            *this << *value;
        return *this;
    }

    template<typename T>
    RecordHash &operator<<(const QList<T> &list)
    {
        m_seed = QtPrivate::QHashCombine()(m_seed, list.size());
        for (const T &item : list)
            *this << item;
        return *this;
    }

    size_t value() const { return m_seed; }

private:
    size_t m_seed;
};
