#pragma once

#include <QString>

#include "Networking/ServerConfig.h"

// What the program keeps on disk for an account under its key: the download
// folder, the saved playback session and the saved place.
class AccountFiles
{
public:
    AccountFiles() = delete;

    // "location.json" in the application's data folder.
    static QString savedLocationPath();

    // Hands all of it from `from`'s key to `to`'s, when an account goes by a
    // new key (its stored address was cleaned). Whatever already belongs to
    // the new key is kept; anything that cannot be moved stays where it was.
    static void moveAccount(const ServerConfig &from, const ServerConfig &to);
};
