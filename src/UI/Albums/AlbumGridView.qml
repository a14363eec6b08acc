import QtQuick
import Lirna.UI
PagePlaceholder { pageName: "AlbumGridView"; property string listType }
