#pragma once

#include <QCollator>
#include <QList>
#include <QLocale>
#include <QString>

#include "Models/Song.h"

// The song tables' columns, their sort values and the sort order a click on
// a column header builds.
enum class SongColumn { Title = 0, Artist, Album, Time };

struct SongSortKey
{
    SongColumn column = SongColumn::Title;
    bool ascending = true;
    bool operator==(const SongSortKey &) const = default;
};

// First key decides first; each later key only orders what all earlier ones
// found equal. Empty: the list's own order.
using SongSortOrder = QList<SongSortKey>;

namespace SongSort {

// Sort values that are never absent: a missing artist or album sorts as the
// empty text, a missing duration as 0.
QString artistName(const Song &song);
QString albumName(const Song &song);
qint64 durationSeconds(const Song &song);
QString textValue(const Song &song, SongColumn column);

// A click on a header: the clicked column comes first, ascending; a second
// click on the column already first reverses it. The others keep their order
// behind it, so ties fall back on the earlier sort.
SongSortOrder clickColumn(SongSortOrder order, SongColumn column);

// Text order for lists: locale-aware, case-insensitive, digit runs by value.
QCollator collator(const QLocale &locale);
// The user's locale; the C locale has no collation rules worth the name, so
// it becomes American English.
QLocale userLocale();

} // namespace SongSort
