// The Cocoa classes that need no open editor: the text-entry filter and the popup
// menu built from an IPopupMenu. GNUstep's menus talk to the display server even
// when not shown, so this program starts its own Xvfb (run by run_gui_test.sh).
#include <gtest/gtest.h>

#include <string>

#include "IGraphicsCocoa.h"
#include "IPopupMenu.h"
#include "cocoa_test_host.h"

namespace {

BOOL Accepts(CocoaFormatter_vToneglass_vst* f, NSString* s) {
  NSString* replacement = nil;
  NSString* error = nil;
  return [f isPartialStringValid:s newEditingString:&replacement errorDescription:&error];
}

CocoaFormatter_vToneglass_vst* Formatter(const char* chars, int maxLength) {
  CocoaFormatter_vToneglass_vst* f = [[[CocoaFormatter_vToneglass_vst alloc] init] autorelease];
  [f setAcceptableCharacterSet:[NSCharacterSet characterSetWithCharactersInString:[NSString stringWithUTF8String:chars]]];
  [f setMaximumLength:maxLength];
  return f;
}

std::string Title(NSMenu* m, int i) { return [[[m itemAtIndex:i] title] UTF8String]; }

}  // namespace

TEST(CocoaFormatter, IntegerEntryRefusesPointsLettersAndAnEighthCharacter) {
  NSAutoreleasePool* pool = [[NSAutoreleasePool alloc] init];
  CocoaFormatter_vToneglass_vst* f = Formatter("0123456789-+", 7);
  EXPECT_TRUE(Accepts(f, @"-12"));
  EXPECT_TRUE(Accepts(f, @""));
  EXPECT_FALSE(Accepts(f, @"1.5"));
  EXPECT_FALSE(Accepts(f, @"12a"));
  EXPECT_TRUE(Accepts(f, @"1234567"));
  EXPECT_FALSE(Accepts(f, @"12345678"));
  [pool release];
}

TEST(CocoaFormatter, ContinuousEntryTakesThePointAndLimitsAreOptional) {
  NSAutoreleasePool* pool = [[NSAutoreleasePool alloc] init];
  CocoaFormatter_vToneglass_vst* f = Formatter("0123456789.-+", 0);
  EXPECT_TRUE(Accepts(f, @"-12.5"));
  EXPECT_TRUE(Accepts(f, @"123456789.125"));  // no length limit
  EXPECT_FALSE(Accepts(f, @"1e3"));
  // A maximum value counts the text's integer value.
  [f setMaximumValue:100];
  EXPECT_TRUE(Accepts(f, @"100"));
  EXPECT_FALSE(Accepts(f, @"101"));
  // Without a set any character goes.
  CocoaFormatter_vToneglass_vst* open = [[[CocoaFormatter_vToneglass_vst alloc] init] autorelease];
  EXPECT_TRUE(Accepts(open, @"anything at all"));
  // The object value is the string itself, both ways.
  id obj = nil;
  EXPECT_TRUE([f getObjectValue:&obj forString:@"3.5" errorDescription:nullptr]);
  EXPECT_TRUE([obj isEqual:@"3.5"]);
  EXPECT_TRUE([[f stringForObjectValue:@"3.5"] isEqual:@"3.5"]);
  [pool release];
}

TEST(CocoaMenu, ItemsTitlesNumberingAndFlags) {
  NSAutoreleasePool* pool = [[NSAutoreleasePool alloc] init];
  IPopupMenu sub;
  sub.AddItem("Deep");
  IPopupMenu menu;
  menu.SetPrefix(2);
  menu.AddItem("First");
  menu.AddItem("Off", -1, IPopupMenuItem::kDisabled);
  menu.AddSeparator();
  menu.AddItem("Heading", -1, IPopupMenuItem::kTitle);
  menu.AddItem("Ticked", -1, IPopupMenuItem::kChecked);
  menu.AddItem("More", &sub);
  IGraphicsMenuRcvr_vToneglass_vst* rcvr = [[IGraphicsMenuRcvr_vToneglass_vst alloc] initWithFrame:NSMakeRect(0, 0, 10, 10)];
  IGraphicsNSMenu_vToneglass_vst* m = [[IGraphicsNSMenu_vToneglass_vst alloc] initWithIPopupMenuAndReciever:(&menu) :(rcvr)];
  ASSERT_EQ([m numberOfItems], 6);
  EXPECT_FALSE([m autoenablesItems]);
  EXPECT_EQ(Title(m, 0), "01: First");
  EXPECT_EQ(Title(m, 1), "02: Off");
  EXPECT_FALSE([[m itemAtIndex:1] isEnabled]);
  EXPECT_TRUE([[m itemAtIndex:2] isSeparatorItem]);
  EXPECT_EQ([[m itemAtIndex:3] indentationLevel], 1);
  EXPECT_EQ([[m itemAtIndex:4] state], NSOnState);
  EXPECT_EQ([[m itemAtIndex:0] state], NSOffState);
  EXPECT_TRUE(sel_isEqual([[m itemAtIndex:0] action], @selector(OnMenuSelection:)));
  EXPECT_EQ([[m itemAtIndex:0] target], rcvr);
  EXPECT_TRUE([[[m itemAtIndex:0] keyEquivalent] isEqual:@""]);
  // A submenu item does not choose (AppKit gives it its own action) and carries a menu built the same way.
  NSMenuItem* more = [m itemAtIndex:5];
  EXPECT_FALSE(sel_isEqual([more action], @selector(OnMenuSelection:)));
  ASSERT_TRUE([more hasSubmenu]);
  IGraphicsNSMenu_vToneglass_vst* s = (IGraphicsNSMenu_vToneglass_vst*)[more submenu];
  EXPECT_EQ([s AssociatedIPopupMenu], &sub);
  EXPECT_EQ(Title(s, 0), "Deep");
  EXPECT_EQ([m AssociatedIPopupMenu], &menu);
  // The receiver keeps what was chosen.
  [rcvr OnMenuSelection:[s itemAtIndex:0]];
  EXPECT_EQ([rcvr MenuItem], [s itemAtIndex:0]);
  [m release];
  [rcvr release];
  [pool release];
}

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  Display* display = nullptr;
  return cocoahost::RunTestsUnderXvfb(true, &display);
}
