#include "Symbols.h"

#include <QHash>

namespace {

const QHash<QString, char16_t> &table()
{
    static const QHash<QString, char16_t> codePoints = {
        {QStringLiteral("play.fill"), 0xE037},
        {QStringLiteral("pause.fill"), 0xE034},
        {QStringLiteral("shuffle"), 0xE043},
        {QStringLiteral("backward.fill"), 0xE045},
        {QStringLiteral("forward.fill"), 0xE044},
        {QStringLiteral("repeat"), 0xE040},
        {QStringLiteral("repeat.1"), 0xE041},
        {QStringLiteral("music.note"), 0xE405},
        {QStringLiteral("magnifyingglass"), 0xE8B6},
        {QStringLiteral("xmark.circle.fill"), 0xE5C9},
        {QStringLiteral("heart"), 0xE87E},
        {QStringLiteral("heart.fill"), 0xE87D},
        {QStringLiteral("list.bullet"), 0xE241},
        {QStringLiteral("speaker.slash.fill"), 0xE04F},
        {QStringLiteral("speaker.fill"), 0xE04E},
        {QStringLiteral("speaker.wave.1.fill"), 0xE04D},
        {QStringLiteral("speaker.wave.2.fill"), 0xE050},
        {QStringLiteral("speaker.wave.3.fill"), 0xE050},
        {QStringLiteral("hifispeaker.fill"), 0xE32D},
        {QStringLiteral("exclamationmark.circle.fill"), 0xE000},
        {QStringLiteral("exclamationmark.triangle"), 0xF083},
        {QStringLiteral("arrow.down.circle"), 0xF181},
        {QStringLiteral("arrow.down.circle.fill"), 0xF000},
        {QStringLiteral("arrow.down.circle.dotted"), 0xF001},
        {QStringLiteral("wifi.exclamationmark"), 0xE648},
        {QStringLiteral("lock.trianglebadge.exclamationmark"), 0xE897},
        {QStringLiteral("xmark"), 0xE5CD},
        {QStringLiteral("trash"), 0xE872},
        {QStringLiteral("plus"), 0xE145},
        {QStringLiteral("music.note.list"), 0xE03D},
        {QStringLiteral("house"), 0xE88A},
        {QStringLiteral("music.note.house.fill"), 0xE030},
        {QStringLiteral("music.microphone"), 0xE029},
        {QStringLiteral("square.stack"), 0xE030},
        {QStringLiteral("square.grid.2x2"), 0xE9B0},
        {QStringLiteral("clock"), 0xE8B5},
        {QStringLiteral("play.circle"), 0xE1C4},
        {QStringLiteral("chart.bar"), 0xE26B},
        {QStringLiteral("star"), 0xE838},
        {QStringLiteral("opticaldisc"), 0xE019},
        {QStringLiteral("ellipsis"), 0xE5D3},
        {QStringLiteral("chevron.left"), 0xE5CB},
        {QStringLiteral("chevron.right"), 0xE5CC},
        {QStringLiteral("chevron.up"), 0xE5CE},
        {QStringLiteral("chevron.down"), 0xE5CF},
    };
    return codePoints;
}

} // namespace

QString Symbols::glyph(const QString &name)
{
    const auto it = table().constFind(name);
    if (it == table().cend())
        return {};
    return QString(QChar(*it));
}

bool Symbols::contains(const QString &name)
{
    return table().contains(name);
}
