import QtQuick
import Lirna.UI

PagePlaceholder {}
