// A platform-independent popup menu: ordered items (text, flags, optional submenu),
// an optional numbering prefix and the index of the item the user chose. The
// platform shows it and writes the chosen index back.
#ifndef IPLUG_IPOPUPMENU_H_
#define IPLUG_IPOPUPMENU_H_

#include <string>

#include "ptrlist.h"
#include "wdlstring.h"

class IPopupMenu;

class IPopupMenuItem {
 public:
  enum Flags { kNoFlags = 0, kDisabled = 1, kTitle = 2, kChecked = 4, kSeparator = 8 };

  // A null text gives an empty one.
  IPopupMenuItem(const char* text, int flags = kNoFlags);
  IPopupMenuItem(const char* text, IPopupMenu* pSubMenu);

  const char* GetText() const { return mText.Get(); }
  int GetFlags() const { return mFlags; }
  // Not owned: deleting the item leaves the submenu alone.
  IPopupMenu* GetSubmenu() const { return mSubmenu; }
  bool GetEnabled() const { return !(mFlags & kDisabled); }
  bool GetChecked() const { return (mFlags & kChecked) != 0; }
  bool GetIsTitle() const { return (mFlags & kTitle) != 0; }
  bool GetIsSeparator() const { return (mFlags & kSeparator) != 0; }

  void SetText(const char* text) { mText.Set(text ? text : ""); }
  void SetSubmenu(IPopupMenu* pSubmenu) { mSubmenu = pSubmenu; }
  void SetEnabled(bool state) { SetFlag(kDisabled, !state); }
  void SetChecked(bool state) { SetFlag(kChecked, state); }
  void SetTitle(bool state) { SetFlag(kTitle, state); }

 private:
  void SetFlag(int flag, bool state) { mFlags = state ? (mFlags | flag) : (mFlags & ~flag); }

  WDL_String mText;
  IPopupMenu* mSubmenu = nullptr;
  int mFlags = kNoFlags;
};

class IPopupMenu {
 public:
  IPopupMenu() = default;
  ~IPopupMenu();
  IPopupMenu(const IPopupMenu&) = delete;
  IPopupMenu& operator=(const IPopupMenu&) = delete;

  // index -1 appends; any other index inserts there, clamped to 0..count. The menu
  // takes ownership of the item (a null item is ignored and returns null).
  IPopupMenuItem* AddItem(IPopupMenuItem* pItem, int index = -1);
  IPopupMenuItem* AddItem(const char* text, int index = -1, int itemFlags = IPopupMenuItem::kNoFlags);
  IPopupMenuItem* AddItem(const char* text, int index, IPopupMenu* pSubmenu);
  IPopupMenuItem* AddItem(const char* text, IPopupMenu* pSubmenu);
  IPopupMenuItem* AddSeparator(int index = -1);

  // 0 none; 1, 2, 3 number the items "%1d: ", "%02d: ", "%03d: ". Other values ignored.
  void SetPrefix(int count);
  int GetPrefix() const { return mPrefix; }

  int GetChosenItemIdx() const { return mChosenItemIdx; }
  void SetChosenItemIdx(int index) { mChosenItemIdx = index; }

  int GetNItems() const { return mMenuItems.GetSize(); }
  // Null outside 0..count - 1.
  IPopupMenuItem* GetItem(int index) const { return mMenuItems.Get(index); }
  // The empty text outside the menu.
  const char* GetItemText(int index) const;
  // False when the index is outside the menu.
  bool CheckItem(int index, bool state);
  // Checks the item at index and clears every other one (an index outside clears all).
  void CheckItemAlone(int index);
  bool IsItemChecked(int index) const;
  // Deletes every item (submenus are not deleted).
  void Clear() { mMenuItems.Empty(true); }

  // ---- What every backend shows and walks ------------------------------------------
  // The text shown for the item at index: the numbering prefix ("%1d: ", "%02d: ",
  // "%03d: " with index + 1) and the item's text. Empty outside the menu.
  std::string GetItemLabel(int index) const;
  // Whether the item can be chosen or highlighted (a submenu, or an enabled item that
  // is not a separator). False outside the menu.
  bool IsItemSelectable(int index) const;
  // The next selectable item after from in direction dir (+1 or -1), wrapping; -1 when
  // the menu has none. from -1 starts before the first (or after the last) item.
  int GetNextSelectableItem(int from, int dir) const;

 private:
  int mPrefix = 0;
  int mChosenItemIdx = -1;
  WDL_PtrList<IPopupMenuItem> mMenuItems;
};

#endif  // IPLUG_IPOPUPMENU_H_
