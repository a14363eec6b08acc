import QtQuick
import QtQuick.Controls
import Lirna.UI

// The one context menu of a view: declared once, opened on a row with that
// row's context (`openFor`), which the items read back through `context`.
// Its items are MenuEntry, DestructiveMenuItem and MenuDivider; a nested
// ContextMenu is a submenu, whose item in this menu is a MenuEntry too, so
// menus and submenus look alike.
//   context      what the menu was opened for (a record, an id …)
//   openFor(ctx) sets the context and opens the menu at the pointer
Menu {
    id: control

    property var context: null

    function openFor(ctx) {
        context = ctx
        popup()
    }

    topPadding: 5
    bottomPadding: 5
    modal: false

    delegate: MenuEntry {}

    background: Rectangle {
        implicitWidth: 200
        radius: 8
        color: Theme.popup
        border.width: 1
        border.color: Theme.separator
    }
}
