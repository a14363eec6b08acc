#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

#include "SavedLocation.h"

// The file that keeps the saved place, with the bytes last saved cached in
// memory. The file is read at most once: after that the cache is the only
// source, so a place saved during the run is found even when writing the file
// failed, and a place cleared stays cleared even when deleting the file failed.
class SavedLocationFile
{
public:
    explicit SavedLocationFile(QString filePath);

    // "location.json" in the application's data folder; the location is
    // worked out once per run.
    static SavedLocationFile &shared();

    QString filePath() const { return m_filePath; }

    std::optional<SavedLocation> restorable(const ServerConfig &config);
    void save(const std::optional<SidebarSelection> &selection, const NavigationPath &path,
        const ServerConfig &config);
    void clear();

private:
    void fill();

    QString m_filePath;
    bool m_filled = false;
    QByteArray m_latestData; // empty: no saved place
};
