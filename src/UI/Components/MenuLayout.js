.pragma library

// Items added to or taken from a Menu after it was built reach its list view
// as a pending change, which the view applies at its next layout: for a
// hidden menu, in the first frame after it opens. The view applies a pending
// insertion while it has no current row by making the first row current, and
// it does so the moment its current row is first set, which the menu does
// from its `currentIndex` through a binding. A hover or click before that
// first frame (or a keypress) so first focused the top item, which moved the
// menu's current row back while the binding was still being written: "Binding
// loop detected for property currentIndex". Laying the view out at once after
// each change leaves nothing pending.
function settle(menu) {
    const view = menu ? menu.contentItem : null
    if (view && typeof view.forceLayout === "function")
        view.forceLayout()
}
