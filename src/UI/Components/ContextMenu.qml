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
// The menu is as wide as its widest item, at least 200 and at most
// `maximumWidth`; a longer text is elided.
Menu {
    id: control

    property var context: null
    property real maximumWidth: 360

    function openFor(ctx) {
        context = ctx
        popup()
    }

    topPadding: 5
    bottomPadding: 5
    modal: false
    // Reads every item's width, so it follows texts that change (a playlist
    // renamed, "Like" turning into "Unlike") and items coming and going.
    contentWidth: {
        let widest = 0
        for (let i = 0; i < count; ++i) {
            const item = itemAt(i)
            if (item)
                widest = Math.max(widest, item.implicitWidth)
        }
        return Math.min(widest, maximumWidth - leftPadding - rightPadding)
    }

    delegate: MenuEntry {}

    background: Rectangle {
        implicitWidth: 200
        radius: 8
        color: Theme.popup
        border.width: 1
        border.color: Theme.separator
    }
}
