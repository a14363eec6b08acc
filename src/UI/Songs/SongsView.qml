import QtQuick
import Lirna.UI
PagePlaceholder { pageName: "SongsView" }
