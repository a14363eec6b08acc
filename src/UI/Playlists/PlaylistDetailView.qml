import QtQuick
import Lirna.UI
PagePlaceholder { pageName: "PlaylistDetailView"; property string playlistId; signal deleted() }
