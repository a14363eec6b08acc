#pragma once

#include <QList>
#include <QStringList>

// One field of each record of a list, in list order, for comparing answers.
template<typename Record, typename Field>
QStringList fieldsOf(const QList<Record> &records, Field Record::*field)
{
    QStringList values;
    values.reserve(records.size());
    for (const Record &record : records)
        values.append(record.*field);
    return values;
}

template<typename Record>
QStringList idsOf(const QList<Record> &records)
{
    return fieldsOf(records, &Record::id);
}

template<typename Record>
QStringList namesOf(const QList<Record> &records)
{
    return fieldsOf(records, &Record::name);
}

template<typename Record>
QStringList titlesOf(const QList<Record> &records)
{
    return fieldsOf(records, &Record::title);
}
