import QtQuick
import Lirna.UI
PagePlaceholder { pageName: "LikedSongsView" }
