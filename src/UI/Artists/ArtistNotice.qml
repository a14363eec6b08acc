import QtQuick
import QtQuick.Controls
import Lirna.UI

// A centred notice in place of content that is missing: a symbol, a title
// and a line of explanation.
Column {
    id: root

    property string symbol
    property string title
    property string text

    spacing: 8

    Icon {
        anchors.horizontalCenter: parent.horizontalCenter
        name: root.symbol
        size: 40
        color: Theme.secondaryLabel
    }
    Label {
        width: root.width
        horizontalAlignment: Text.AlignHCenter
        text: root.title
        textFormat: Text.PlainText
        font.pixelSize: Theme.title2
        font.weight: Font.Bold
        color: Theme.label
        wrapMode: Text.Wrap
    }
    Label {
        width: root.width
        horizontalAlignment: Text.AlignHCenter
        text: root.text
        textFormat: Text.PlainText
        font.pixelSize: Theme.body
        color: Theme.secondaryLabel
        wrapMode: Text.Wrap
    }
}
