import QtQuick
import Lirna.UI

// A menu item whose action destroys something ("Delete Playlist…"): drawn red.
MenuEntry {
    destructive: true
}
