import QtQuick
import Lirna.UI
PagePlaceholder { pageName: "ArtistsView"; signal accent(var color) }
