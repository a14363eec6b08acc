#pragma once

#include <QString>

#include <functional>

#include "Networking/ServerConfig.h"

// What the program keeps on disk for an account under its key: the download
// folder, the saved playback session and the saved place.
class AccountFiles
{
public:
    AccountFiles() = delete;

    // "location.json" in the application's data folder.
    static QString savedLocationPath();

    // How far a move went.
    enum class Move {
        // Everything is under the new key.
        Done,
        // The saved session and place are under the new key; some downloads
        // could not be made reachable there and stay under the old key,
        // which is then to be kept for a later move.
        DownloadsLeft,
        // The move could not run, or the saved session could not follow:
        // everything is still under the old key, and the run goes by it.
        NothingMoved,
    };

    // Hands all of it from `from`'s key to `to`'s, when an account goes by a
    // new key (its stored address was cleaned). Whatever already belongs to
    // the new key is kept, and nothing is ever deleted but empty folders.
    // When both keys have downloads, the old ones join the new manifest.
    // Moves run one at a time, across copies of the program.
    static Move moveAccount(const ServerConfig &from, const ServerConfig &to);

    // For tests: called while a move holds its lock, between its look at the
    // new key's folder and the removal of that folder's empty folders.
    static void setTakeOverHook(std::function<void()> hook);
};
