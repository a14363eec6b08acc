import QtQuick
import Lirna.UI
PagePlaceholder { pageName: "LikedAlbumsView" }
