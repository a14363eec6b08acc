import QtQuick
import Lirna.UI
PagePlaceholder { pageName: "AlbumDetailView"; property var album; signal accent(var color) }
