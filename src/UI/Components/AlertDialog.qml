import QtQuick
import QtQuick.Controls
import Lirna.UI

// The one modal dialog of the program: a title, whatever content is declared
// inside it, and up to three buttons at the bottom right. The accept button is
// the default (accent) one, or red when the action destroys something.
//   acceptText      the accept button's text; empty: no accept button
//   rejectText      the reject (cancel) button's text; empty: none
//   extraText       an optional third button's text, before the others
//   acceptEnabled   whether the accept button can be pressed
//   destructive     the accept button is drawn red
// Signals: accepted(), rejected() (of Dialog) and extraClicked().
Dialog {
    id: control

    property string acceptText: "OK"
    property string rejectText
    property string extraText
    property bool acceptEnabled: true
    property bool destructive: false

    signal extraClicked()

    anchors.centerIn: Overlay.overlay
    modal: true
    width: 340
    padding: 20
    topPadding: 4
    bottomPadding: 16

    Overlay.modal: Rectangle { color: Theme.dimmer }

    background: Rectangle {
        radius: 10
        color: Theme.popup
        border.width: 1
        border.color: Theme.separator
    }

    header: Text {
        text: control.title
        textFormat: Text.PlainText
        visible: text.length > 0
        topPadding: 18
        leftPadding: 20
        rightPadding: 20
        bottomPadding: 10
        font.pixelSize: Theme.headline
        font.weight: Font.Bold
        color: Theme.label
        elide: Text.ElideRight
    }

    footer: Item {
        implicitHeight: buttons.implicitHeight + 18
        Row {
            id: buttons
            anchors.right: parent.right
            anchors.rightMargin: 20
            anchors.top: parent.top
            spacing: 8
            PushButton {
                objectName: "dialogExtraButton"
                visible: control.extraText.length > 0
                text: control.extraText
                onClicked: control.extraClicked()
            }
            PushButton {
                objectName: "dialogRejectButton"
                visible: control.rejectText.length > 0
                text: control.rejectText
                onClicked: control.reject()
            }
            PushButton {
                objectName: "dialogAcceptButton"
                visible: control.acceptText.length > 0
                text: control.acceptText
                highlighted: !control.destructive
                destructive: control.destructive
                enabled: control.acceptEnabled
                onClicked: control.accept()
            }
        }
    }
}
