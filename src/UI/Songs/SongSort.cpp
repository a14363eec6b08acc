#include "SongSort.h"

namespace SongSort {

QString artistName(const Song &song)
{
    return song.artist.value_or(QString());
}

QString albumName(const Song &song)
{
    return song.album.value_or(QString());
}

qint64 durationSeconds(const Song &song)
{
    return song.duration.value_or(0);
}

QString textValue(const Song &song, SongColumn column)
{
    switch (column) {
    case SongColumn::Title:
        return song.title;
    case SongColumn::Artist:
        return artistName(song);
    case SongColumn::Album:
        return albumName(song);
    case SongColumn::Time:
        break;
    }
    return {};
}

SongSortOrder clickColumn(SongSortOrder order, SongColumn column)
{
    if (!order.isEmpty() && order.first().column == column) {
        order.first().ascending = !order.first().ascending;
        return order;
    }
    order.removeIf([column](const SongSortKey &key) { return key.column == column; });
    order.prepend({column, true});
    return order;
}

QCollator collator(const QLocale &locale)
{
    QCollator result(locale);
    result.setNumericMode(true);
    result.setCaseSensitivity(Qt::CaseInsensitive);
    result.setIgnorePunctuation(false);
    return result;
}

QLocale userLocale()
{
    const QLocale system = QLocale::system();
    if (system.language() == QLocale::C)
        return QLocale(QLocale::English, QLocale::UnitedStates);
    return system;
}

} // namespace SongSort
