#include "RepeatMode.h"

using namespace Qt::StringLiterals;

namespace RepeatModes {

QList<RepeatMode> all()
{
    return {RepeatMode::Off, RepeatMode::All, RepeatMode::One};
}

QString rawValue(RepeatMode mode)
{
    switch (mode) {
    case RepeatMode::Off:
        return u"off"_s;
    case RepeatMode::All:
        return u"all"_s;
    case RepeatMode::One:
        return u"one"_s;
    }
    return u"off"_s;
}

std::optional<RepeatMode> fromRawValue(const QString &text)
{
    for (RepeatMode mode : all()) {
        if (rawValue(mode) == text)
            return mode;
    }
    return std::nullopt;
}

std::optional<RepeatMode> fromJson(const QJsonValue &value)
{
    if (!value.isString())
        return std::nullopt;
    return fromRawValue(value.toString());
}

} // namespace RepeatModes
