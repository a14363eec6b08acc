import QtQuick
import QtQuick.Layouts
import Lirna.UI

// A section's title with optional controls at its trailing end (declared as
// children).
//   title                                   the section's name
//   fontSize                                the title's size (Theme.subheadline in lists)
//   tint                                    the title's colour
//   leftPadding, rightPadding, topPadding   space around the row
Item {
    id: root

    property string title
    property real fontSize: Theme.subheadline
    property color tint: Theme.secondaryLabel
    property real leftPadding: 0
    property real rightPadding: 0
    property real topPadding: 0
    default property alias trailing: trailingRow.data

    implicitHeight: topPadding + Math.max(titleText.implicitHeight, trailingRow.implicitHeight)
    implicitWidth: leftPadding + titleText.implicitWidth + trailingRow.implicitWidth + rightPadding
    Accessible.role: Accessible.Heading
    Accessible.name: title

    RowLayout {
        anchors.fill: parent
        anchors.leftMargin: root.leftPadding
        anchors.rightMargin: root.rightPadding
        anchors.topMargin: root.topPadding
        spacing: 4

        Text {
            id: titleText
            Layout.fillWidth: true
            Layout.alignment: Qt.AlignVCenter
            text: root.title
            textFormat: Text.PlainText
            elide: Text.ElideRight
            font.pixelSize: root.fontSize
            font.weight: Font.DemiBold
            color: root.tint
        }
        Row {
            id: trailingRow
            Layout.alignment: Qt.AlignVCenter
            spacing: 2
        }
    }
}
