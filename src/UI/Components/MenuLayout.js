.pragma library

// Items added to or taken from a Menu after it was built reach its list view
// as a pending change, applied at the view's next layout: for a hidden menu,
// the first frame after it opens. When the menu's current row is first set
// (through the style's binding `currentIndex: control.currentIndex`) before
// that frame, by a click or hover, the view applies the pending insertion
// first, and an insertion into a view with no current row makes row 0
// current. That focused the top item, which set the menu's current row back
// to 0 while the binding was still being written ("Binding loop detected for
// property currentIndex"). Laying the view out right after each change leaves
// nothing pending.
function settle(menu) {
    const view = menu ? menu.contentItem : null
    if (view && typeof view.forceLayout === "function")
        view.forceLayout()
}
