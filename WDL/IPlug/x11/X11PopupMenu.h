// Popup menus drawn by the editor itself: an override-redirect window per menu
// level, run modally with the pointer and keyboard grabbed. The mouse chooses by
// release over an item (press-drag-release, or click), the keyboard with the arrow
// keys, Enter and Escape; submenus open to the right of their item.
#ifndef IPLUG_X11_X11POPUPMENU_H_
#define IPLUG_X11_X11POPUPMENU_H_

#include <X11/Xlib.h>

#include <functional>
#include <string>

#include "IPopupMenu.h"
#include "X11Connection.h"

// The menu's labels and keyboard walk, as every backend has them (IPopupMenu).
inline std::string X11MenuItemLabel(const IPopupMenu& menu, int index) { return menu.GetItemLabel(index); }
inline bool X11MenuItemSelectable(const IPopupMenu& menu, int index) { return menu.IsItemSelectable(index); }
inline int X11MenuNextSelectable(const IPopupMenu& menu, int from, int dir) {
  return menu.GetNextSelectableItem(from, dir);
}

// Events that arrive for other windows while the menu runs (the editor's Expose).
using X11OtherEventHandler = std::function<void(XEvent&)>;

// Shows pMenu with its top-left corner at (rootX, rootY) on the screen and returns
// when the user chose or cancelled: the menu that holds the chosen item (pMenu or
// one of its submenus) with its chosen index set, or null. Null at once when the
// connection is lost or the pointer cannot be grabbed.
IPopupMenu* X11RunPopupMenu(X11Connection* pConn, IPopupMenu* pMenu, int rootX, int rootY,
                            const X11OtherEventHandler& other);

#endif  // IPLUG_X11_X11POPUPMENU_H_
