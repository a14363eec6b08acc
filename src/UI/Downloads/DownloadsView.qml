import QtQuick
import Lirna.UI
PagePlaceholder { pageName: "DownloadsView"; signal openPlaylist(string id) }
