import QtQuick
import Lirna.UI
PagePlaceholder { pageName: "HomeView"; property bool isOnScreen: true; signal accent(var color); signal pushGrid(string listType, string title) }
