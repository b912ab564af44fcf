// IPopupMenu and IPopupMenuItem: an ordered list of owned items.
#include "IPopupMenu.h"

#include <cstdio>

IPopupMenuItem::IPopupMenuItem(const char* text, int flags) : mText(text ? text : ""), mFlags(flags) {}

IPopupMenuItem::IPopupMenuItem(const char* text, IPopupMenu* pSubMenu)
    : mText(text ? text : ""), mSubmenu(pSubMenu) {}

IPopupMenu::~IPopupMenu() { mMenuItems.Empty(true); }

IPopupMenuItem* IPopupMenu::AddItem(IPopupMenuItem* pItem, int index) {
  if (!pItem) return nullptr;
  // Only -1 appends as such; any other index is clamped by the list to 0..count.
  IPopupMenuItem* added = index == -1 ? mMenuItems.Add(pItem) : mMenuItems.Insert(index, pItem);
  if (!added) delete pItem;  // the list could not grow; the menu owned it all the same
  return added;
}

IPopupMenuItem* IPopupMenu::AddItem(const char* text, int index, int itemFlags) {
  return AddItem(new IPopupMenuItem(text, itemFlags), index);
}

IPopupMenuItem* IPopupMenu::AddItem(const char* text, int index, IPopupMenu* pSubmenu) {
  return AddItem(new IPopupMenuItem(text, pSubmenu), index);
}

IPopupMenuItem* IPopupMenu::AddItem(const char* text, IPopupMenu* pSubmenu) {
  return AddItem(text, -1, pSubmenu);
}

IPopupMenuItem* IPopupMenu::AddSeparator(int index) {
  return AddItem(new IPopupMenuItem("", IPopupMenuItem::kSeparator), index);
}

void IPopupMenu::SetPrefix(int count) {
  if (count >= 0 && count <= 3) mPrefix = count;
}

const char* IPopupMenu::GetItemText(int index) const {
  const IPopupMenuItem* item = GetItem(index);
  return item ? item->GetText() : "";
}

bool IPopupMenu::CheckItem(int index, bool state) {
  IPopupMenuItem* item = GetItem(index);
  if (!item) return false;
  item->SetChecked(state);
  return true;
}

void IPopupMenu::CheckItemAlone(int index) {
  for (int i = 0; i < GetNItems(); ++i) GetItem(i)->SetChecked(i == index);
}

bool IPopupMenu::IsItemChecked(int index) const {
  const IPopupMenuItem* item = GetItem(index);
  return item && item->GetChecked();
}

// ---- What every backend shows and walks ---------------------------------------------

std::string IPopupMenu::GetItemLabel(int index) const {
  const IPopupMenuItem* it = GetItem(index);
  if (!it) return std::string();
  char prefix[16] = "";
  switch (GetPrefix()) {
    case 1: snprintf(prefix, sizeof(prefix), "%1d: ", index + 1); break;
    case 2: snprintf(prefix, sizeof(prefix), "%02d: ", index + 1); break;
    case 3: snprintf(prefix, sizeof(prefix), "%03d: ", index + 1); break;
    default: break;
  }
  return std::string(prefix) + it->GetText();
}

bool IPopupMenu::IsItemSelectable(int index) const {
  const IPopupMenuItem* it = GetItem(index);
  if (!it) return false;
  if (it->GetSubmenu()) return true;
  return !it->GetIsSeparator() && it->GetEnabled();
}

int IPopupMenu::GetNextSelectableItem(int from, int dir) const {
  const int n = GetNItems();
  if (n <= 0) return -1;
  dir = dir < 0 ? -1 : 1;
  int i = from < 0 || from >= n ? (dir > 0 ? -1 : n) : from;
  for (int k = 0; k < n; ++k) {
    i = ((i + dir) % n + n) % n;
    if (IsItemSelectable(i)) return i;
  }
  return -1;
}
