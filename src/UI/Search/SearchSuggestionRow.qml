import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Lirna.UI

// One search suggestion: cover, title and subtitle. Resting the pointer on
// it highlights it; a click picks it.
Item {
    id: row

    required property int rowId
    required property string title
    required property string subtitle
    required property string coverArt
    required property bool isRound
    required property bool highlighted

    signal activated(int rowId)
    signal hovered(int rowId)

    implicitHeight: 46

    Rectangle {
        anchors.fill: parent
        anchors.leftMargin: 8
        anchors.rightMargin: 8
        radius: 7
        color: Theme.accent
        visible: row.highlighted
    }

    RowLayout {
        anchors.fill: parent
        anchors.leftMargin: 16
        anchors.rightMargin: 16
        anchors.topMargin: 5
        anchors.bottomMargin: 5
        spacing: 10

        // Artists are round, albums and songs slightly rounded squares.
        ArtworkView {
            objectName: "cover"
            Layout.preferredWidth: 36
            Layout.preferredHeight: 36
            coverArt: row.coverArt
            requestSize: 36
            cornerRadius: row.isRound ? 18 : 4
        }

        ColumnLayout {
            Layout.fillWidth: true
            spacing: 1

            Label {
                Layout.fillWidth: true
                text: row.title
                textFormat: Text.PlainText
                font.pixelSize: 13
                color: row.highlighted ? Theme.accentLabel : Theme.label
                elide: Text.ElideRight
                maximumLineCount: 1
            }
            Label {
                Layout.fillWidth: true
                visible: row.subtitle.length > 0
                text: row.subtitle
                textFormat: Text.PlainText
                font.pixelSize: 11
                color: row.highlighted ? Theme.alpha(Theme.accentLabel, 0.8) : Theme.secondaryLabel
                elide: Text.ElideRight
                maximumLineCount: 1
            }
        }
    }

    HoverHandler {
        onHoveredChanged: if (hovered) row.hovered(row.rowId)
    }
    TapHandler {
        onTapped: row.activated(row.rowId)
    }
}
