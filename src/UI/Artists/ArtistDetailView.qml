import QtQuick
import Lirna.UI
PagePlaceholder { pageName: "ArtistDetailView"; property var artist; signal accent(var color) }
