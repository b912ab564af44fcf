// IPopupMenu and IPopupMenuItem: insertion and clamping, ownership, prefixes and checks.
#include <gtest/gtest.h>

#include <string>

#include "IPopupMenu.h"

namespace {

std::string Texts(const IPopupMenu& m) {
  std::string s;
  for (int i = 0; i < m.GetNItems(); ++i) s += std::string(m.GetItemText(i)) + "|";
  return s;
}

TEST(IPopupMenu, InsertionClampsEveryIndexButMinusOne) {
  IPopupMenu m;
  m.AddItem("a");
  m.AddItem("b");
  m.AddItem("c");
  m.AddItem("end", 10);
  EXPECT_EQ(Texts(m), "a|b|c|end|");
  m.AddItem("first", -5);
  EXPECT_EQ(Texts(m), "first|a|b|c|end|");
  m.AddItem("mid", 2);
  EXPECT_EQ(Texts(m), "first|a|mid|b|c|end|");
  m.AddSeparator(1);
  EXPECT_TRUE(m.GetItem(1)->GetIsSeparator());
  EXPECT_STREQ(m.GetItemText(1), "");
  EXPECT_EQ(m.GetItem(1)->GetFlags(), IPopupMenuItem::kSeparator);
}

TEST(IPopupMenu, ItemsTextsAndSubmenus) {
  IPopupMenu sub;
  IPopupMenu m;
  IPopupMenuItem* plain = m.AddItem(static_cast<const char*>(nullptr));
  ASSERT_NE(plain, nullptr);
  EXPECT_STREQ(plain->GetText(), "");
  IPopupMenuItem* withSub = m.AddItem("More", &sub);
  EXPECT_EQ(withSub->GetSubmenu(), &sub);
  EXPECT_EQ(withSub->GetFlags(), 0);
  IPopupMenuItem* first = m.AddItem("Top", 0, &sub);
  EXPECT_EQ(m.GetItem(0), first);
  IPopupMenuItem* flagged = m.AddItem("Off", -1, IPopupMenuItem::kDisabled | IPopupMenuItem::kTitle);
  EXPECT_FALSE(flagged->GetEnabled());
  EXPECT_TRUE(flagged->GetIsTitle());
  EXPECT_EQ(m.AddItem(static_cast<IPopupMenuItem*>(nullptr)), nullptr);
  EXPECT_EQ(m.GetItem(-1), nullptr);
  EXPECT_EQ(m.GetItem(m.GetNItems()), nullptr);
  EXPECT_STREQ(m.GetItemText(99), "");
  EXPECT_STREQ(m.GetItemText(-1), "");
  // Emptying deletes the items but not the submenu (ASan would see either fault).
  sub.AddItem("inner");
  m.Clear();
  EXPECT_EQ(m.GetNItems(), 0);
  EXPECT_STREQ(sub.GetItemText(0), "inner");
}

TEST(IPopupMenu, PrefixAcceptsOnlyZeroToThree) {
  IPopupMenu m;
  EXPECT_EQ(m.GetPrefix(), 0);
  m.SetPrefix(2);
  EXPECT_EQ(m.GetPrefix(), 2);
  m.SetPrefix(4);
  EXPECT_EQ(m.GetPrefix(), 2);
  m.SetPrefix(-1);
  EXPECT_EQ(m.GetPrefix(), 2);
  EXPECT_EQ(m.GetChosenItemIdx(), -1);
}

TEST(IPopupMenu, CheckingOneOrAlone) {
  IPopupMenu m;
  for (const char* t : {"x", "y", "z"}) m.AddItem(t);
  EXPECT_TRUE(m.CheckItem(0, true));
  EXPECT_TRUE(m.CheckItem(2, true));
  EXPECT_FALSE(m.CheckItem(3, true));
  EXPECT_FALSE(m.CheckItem(-1, true));
  m.CheckItemAlone(1);
  EXPECT_FALSE(m.IsItemChecked(0));
  EXPECT_TRUE(m.IsItemChecked(1));
  EXPECT_FALSE(m.IsItemChecked(2));
  EXPECT_FALSE(m.IsItemChecked(7));
  m.CheckItemAlone(9);  // outside: clears all
  for (int i = 0; i < 3; ++i) EXPECT_FALSE(m.IsItemChecked(i));
  IPopupMenuItem* item = m.GetItem(0);
  item->SetChecked(true);
  EXPECT_EQ(item->GetFlags(), IPopupMenuItem::kChecked);
  item->SetChecked(false);
  EXPECT_EQ(item->GetFlags(), 0);
  // An empty menu: nothing to check, nothing breaks.
  IPopupMenu empty;
  empty.CheckItemAlone(0);
  EXPECT_FALSE(empty.CheckItem(0, true));
}

}  // namespace
