#include "SavedLocation.h"

#include <QJsonDocument>
#include <QJsonObject>

#include "SavedLocationFile.h"

using namespace Qt::StringLiterals;

QString SavedLocation::accountKey(const ServerConfig &config)
{
    return config.accountKey();
}

std::optional<SavedLocation> SavedLocation::decode(const QByteArray &data)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(data, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonObject o = document.object();
    const QJsonValue serverKey = o.value("serverKey"_L1);
    if (!serverKey.isString())
        return std::nullopt;
    std::optional<SidebarSelection> selection = SidebarSelection::fromJson(o.value("selection"_L1));
    if (!selection)
        return std::nullopt;
    std::optional<NavigationPath> path = NavigationPaths::fromJson(o.value("path"_L1));
    if (!path)
        return std::nullopt;
    return SavedLocation {serverKey.toString(), std::move(*selection), std::move(*path)};
}

QByteArray SavedLocation::encode() const
{
    // QJsonObject writes its keys sorted; the record's own order is kept by
    // joining the three members by hand.
    const auto compact = [](const QJsonValue &value) {
        QJsonArray wrapper {value};
        QByteArray text = QJsonDocument(wrapper).toJson(QJsonDocument::Compact);
        return text.mid(1, text.size() - 2);
    };
    QByteArray data = "{\"serverKey\":";
    data += compact(serverKey);
    data += ",\"selection\":";
    data += compact(selection.toJson());
    data += ",\"path\":";
    data += compact(NavigationPaths::toJson(path));
    data += '}';
    return data;
}

std::optional<SavedLocation> SavedLocation::restorable(const ServerConfig &config)
{
    return SavedLocationFile::shared().restorable(config);
}

void SavedLocation::save(
    const std::optional<SidebarSelection> &selection, const NavigationPath &path, const ServerConfig &config)
{
    SavedLocationFile::shared().save(selection, path, config);
}

void SavedLocation::clear()
{
    SavedLocationFile::shared().clear();
}
