#include "IGraphicsCocoa.h"

#include <string.h>

#include "CocoaEditorRules.h"
#include "IControl.h"
#include "IParam.h"
#include "IPopupMenu.h"

IMouseMod GetMouseMod(NSEvent* pEvent) {
  const NSUInteger m = [pEvent modifierFlags];
  return cocoa_rules::LeftButtonMod((m & NSCommandKeyMask) != 0, (m & NSShiftKeyMask) != 0,
                                    (m & NSControlKeyMask) != 0, (m & NSAlternateKeyMask) != 0);
}

IMouseMod GetRightMouseMod(NSEvent* pEvent) {
  const NSUInteger m = [pEvent modifierFlags];
  return cocoa_rules::RightButtonMod((m & NSShiftKeyMask) != 0, (m & NSControlKeyMask) != 0,
                                     (m & NSAlternateKeyMask) != 0);
}

NSRect ToNSRect(IGraphics* pGraphics, IRECT* pR) {
  const cocoa_rules::ViewRect v = cocoa_rules::ToViewRect(*pR, pGraphics->Height());
  return NSMakeRect(v.x, v.y, v.w, v.h);
}

// The Mac virtual key code of a key event.
static int MacVirtualKey(NSEvent* pEvent, unichar c) {
#ifdef GNUSTEP
  // GNUstep workaround: key codes are X11 keycodes, which overlap the Mac codes of
  // other keys; the arrows and space are recognised by the characters they give.
  switch (c) {
    case NSUpArrowFunctionKey: return cocoa_rules::kVKUp;
    case NSDownArrowFunctionKey: return cocoa_rules::kVKDown;
    case NSLeftArrowFunctionKey: return cocoa_rules::kVKLeft;
    case NSRightArrowFunctionKey: return cocoa_rules::kVKRight;
    case ' ': return cocoa_rules::kVKSpace;
    default: return -1;
  }
  (void)pEvent;
#else
  (void)c;
  return [pEvent keyCode];
#endif
}

// ---- Text-entry filter ------------------------------------------------------------------

@implementation CocoaFormatter_vToneglass_vst
- (void)dealloc {
  [filterCharacterSet release];
  [super dealloc];
}

- (BOOL)isPartialStringValid:(NSString*)partialString
            newEditingString:(NSString**)newString
            errorDescription:(NSString**)error {
  (void)newString;
  (void)error;
  if (filterCharacterSet != nil) {
    const NSUInteger n = [partialString length];
    for (NSUInteger i = 0; i < n; ++i) {
      if (![filterCharacterSet characterIsMember:[partialString characterAtIndex:i]]) return NO;
    }
  }
  if (maxLength && (int)[partialString length] > maxLength) return NO;
  if (maxValue && [partialString intValue] > maxValue) return NO;
  return YES;
}

- (void)setAcceptableCharacterSet:(NSCharacterSet*)inCharacterSet {
  [inCharacterSet retain];
  [filterCharacterSet release];
  filterCharacterSet = inCharacterSet;
}

- (void)setMaximumLength:(int)inLength {
  maxLength = inLength;
}

- (void)setMaximumValue:(int)inValue {
  maxValue = inValue;
}

- (NSString*)stringForObjectValue:(id)anObject {
  if ([anObject isKindOfClass:[NSString class]]) return anObject;
  return anObject ? [anObject description] : @"";
}

- (BOOL)getObjectValue:(id*)anObject forString:(NSString*)string errorDescription:(NSString**)error {
  (void)error;
  if (anObject) *anObject = string;
  return YES;
}
@end

// ---- Child window and menus -------------------------------------------------------------

@implementation CustomCocoaWindow_vToneglass_vst
- (BOOL)canBecomeKeyWindow {
  return YES;
}
@end

@implementation IGraphicsNSMenu_vToneglass_vst
- (id)initWithIPopupMenuAndReciever:(IPopupMenu*)pMenu:(NSView*)pView {
  self = [super initWithTitle:@""];
  if (!self) return nil;
  [self setAutoenablesItems:NO];
  const int n = pMenu->GetNItems();
  for (int i = 0; i < n; ++i) {
    IPopupMenuItem* pItem = pMenu->GetItem(i);
    const std::string title = cocoa_rules::MenuItemTitle(pItem->GetText(), i, pMenu->GetPrefix());
    NSString* nsTitle = [NSString stringWithUTF8String:title.c_str()];
    if (!nsTitle) nsTitle = @"";
    if (IPopupMenu* pSubMenu = pItem->GetSubmenu()) {
      NSMenuItem* nsItem = [[NSMenuItem alloc] initWithTitle:nsTitle action:NULL keyEquivalent:@""];
      IGraphicsNSMenu_vToneglass_vst* sub =
          [[IGraphicsNSMenu_vToneglass_vst alloc] initWithIPopupMenuAndReciever:(pSubMenu) :(pView)];
      [nsItem setSubmenu:sub];
      [self addItem:nsItem];
      [sub release];
      [nsItem release];
    } else if (pItem->GetIsSeparator()) {
      [self addItem:[NSMenuItem separatorItem]];
    } else {
      NSMenuItem* nsItem = [self addItemWithTitle:nsTitle action:@selector(OnMenuSelection:) keyEquivalent:@""];
      [nsItem setTarget:pView];
      if (pItem->GetIsTitle()) [nsItem setIndentationLevel:1];
      if (pItem->GetChecked()) [nsItem setState:NSOnState];
      if (!pItem->GetEnabled()) [nsItem setEnabled:NO];
    }
  }
  mIPopupMenu = pMenu;
  return self;
}

- (IPopupMenu*)AssociatedIPopupMenu {
  return mIPopupMenu;
}
@end

@implementation IGraphicsMenuRcvr_vToneglass_vst
- (void)OnMenuSelection:(id)sender {
  nsMenuItem = sender;
}

- (NSMenuItem*)MenuItem {
  return nsMenuItem;
}
@end

// ---- The editor view --------------------------------------------------------------------

@implementation IGraphicsCocoa_vToneglass_vst
- (id)init {
  self = [super init];
  if (self) {
    mGraphics = nullptr;
    mTimer = nil;
    mPrevX = 0;
    mPrevY = 0;
  }
  return self;
}

- (id)initWithIGraphics:(IGraphicsMac*)pGraphics {
  mGraphics = pGraphics;
  self = [super initWithFrame:NSMakeRect(0, 0, pGraphics->Width(), pGraphics->Height())];
  if (!self) return nil;
  mGraphics = pGraphics;
  const double sec = 1.0 / (double)pGraphics->FPS();
  mTimer = [NSTimer timerWithTimeInterval:sec target:self selector:@selector(onTimer:) userInfo:nil repeats:YES];
  [self addTimerToRunLoop];
  return self;
}

- (void)addTimerToRunLoop {
  NSRunLoop* loop = [NSRunLoop currentRunLoop];
#ifdef GNUSTEP
  // GNUstep workaround: a timer in the common modes never fires; name the modes the
  // common set stands for.
  [loop addTimer:mTimer forMode:NSDefaultRunLoopMode];
  [loop addTimer:mTimer forMode:NSEventTrackingRunLoopMode];
  [loop addTimer:mTimer forMode:NSModalPanelRunLoopMode];
#else
  [loop addTimer:mTimer forMode:(NSString*)kCFRunLoopCommonModes];
#endif
}

- (void)dealloc {
  [mLastValidText release];
  [super dealloc];
}

- (BOOL)isOpaque {
  return mGraphics ? YES : NO;
}

- (BOOL)acceptsFirstResponder {
  return YES;
}

- (BOOL)acceptsFirstMouse:(NSEvent*)pEvent {
  (void)pEvent;
  return YES;
}

- (void)viewDidMoveToWindow {
  NSWindow* pWindow = [self window];
  if (pWindow) {
    [pWindow makeFirstResponder:self];
    [pWindow setAcceptsMouseMovedEvents:YES];
  }
}

- (void)drawRect:(NSRect)rect {
  if (mGraphics) {
    IRECT r = cocoa_rules::FromDrawRect(rect.origin.x, rect.origin.y, rect.size.width,
                                        rect.size.height, mGraphics->Height());
    mGraphics->Draw(&r);
  }
}

- (void)onTimer:(NSTimer*)pTimer {
  IRECT r(0, 0, 0, 0);
  // A run of wheel notches ends once its pause has passed, as on every backend.
  if (pTimer == mTimer && mGraphics) mGraphics->PollEditGestures();
  if (pTimer == mTimer && mGraphics && mGraphics->IsDirty(&r)) {
    [self setNeedsDisplayInRect:ToNSRect(mGraphics, &r)];
  }
}

- (void)getMouseXY:(NSEvent*)pEvent x:(int*)pX y:(int*)pY {
  if (mGraphics) {
    const NSPoint pt = [self convertPoint:[pEvent locationInWindow] fromView:nil];
    cocoa_rules::MousePosition(pt.x, pt.y, mGraphics->Height(), pX, pY);
    mPrevX = *pX;
    mPrevY = *pY;
  }
}

- (void)mouseDown:(NSEvent*)pEvent {
  if (mGraphics) {
    int x, y;
    [self getMouseXY:pEvent x:&x y:&y];
    IMouseMod ms = GetMouseMod(pEvent);
    mInPress = YES;
    mMenuRanInPress = NO;
    if ([pEvent clickCount] > 1) {
      mGraphics->OnMouseDblClick(x, y, &ms);
    } else {
      mGraphics->OnMouseDown(x, y, &ms);
    }
    [self endPressTakenByMenu:x y:y mod:&ms];
  }
}

- (void)endPressTakenByMenu:(int)x y:(int)y mod:(IMouseMod*)pMod {
  mInPress = NO;
  const BOOL ran = mMenuRanInPress;
  mMenuRanInPress = NO;
  if (ran && mGraphics && mGraphics->IsMouseButtonDown()) mGraphics->OnMouseUp(x, y, pMod);
}

- (void)mouseUp:(NSEvent*)pEvent {
  if (mGraphics) {
    int x, y;
    [self getMouseXY:pEvent x:&x y:&y];
    IMouseMod ms = GetMouseMod(pEvent);
    mGraphics->OnMouseUp(x, y, &ms);
  }
}

- (void)mouseDragged:(NSEvent*)pEvent {
  if (mGraphics) {
    int x, y;
    [self getMouseXY:pEvent x:&x y:&y];
    IMouseMod ms = GetMouseMod(pEvent);
    if (!mTextFieldView) mGraphics->OnMouseDrag(x, y, &ms);
  }
}

- (void)rightMouseDown:(NSEvent*)pEvent {
  if (mGraphics) {
    int x, y;
    [self getMouseXY:pEvent x:&x y:&y];
    IMouseMod ms = GetRightMouseMod(pEvent);
    mInPress = YES;
    mMenuRanInPress = NO;
    mGraphics->OnMouseDown(x, y, &ms);
    [self endPressTakenByMenu:x y:y mod:&ms];
  }
}

- (void)rightMouseUp:(NSEvent*)pEvent {
  if (mGraphics) {
    int x, y;
    [self getMouseXY:pEvent x:&x y:&y];
    IMouseMod ms = GetRightMouseMod(pEvent);
    mGraphics->OnMouseUp(x, y, &ms);
  }
}

- (void)rightMouseDragged:(NSEvent*)pEvent {
  if (mGraphics) {
    int x, y;
    [self getMouseXY:pEvent x:&x y:&y];
    IMouseMod ms = GetRightMouseMod(pEvent);
    if (!mTextFieldView) mGraphics->OnMouseDrag(x, y, &ms);
  }
}

- (void)mouseMoved:(NSEvent*)pEvent {
  if (mGraphics) {
    int x, y;
    [self getMouseXY:pEvent x:&x y:&y];
    IMouseMod ms = GetMouseMod(pEvent);
    mGraphics->OnMouseOver(x, y, &ms);
  }
}

- (void)keyDown:(NSEvent*)pEvent {
  NSString* s = [pEvent charactersIgnoringModifiers];
  if ([s length] != 1) return;
  if (!mGraphics) {
    [[self nextResponder] keyDown:pEvent];
    return;
  }
  const unichar c = [s characterAtIndex:0];
  const int key = cocoa_rules::KeyCode(MacVirtualKey(pEvent, c), c);
  const bool handled = key != cocoa_rules::kKeyNone && mGraphics->OnKeyDown(mPrevX, mPrevY, key);
  if (!handled) [[self nextResponder] keyDown:pEvent];
}

- (void)scrollWheel:(NSEvent*)pEvent {
  if (mTextFieldView) [self endUserInput];
  if (mGraphics) {
    int x, y;
    [self getMouseXY:pEvent x:&x y:&y];
    IMouseMod ms = GetMouseMod(pEvent);
    mGraphics->OnMouseWheel(x, y, &ms, cocoa_rules::WheelStep([pEvent deltaX], [pEvent deltaY]));
  }
}

- (void)killTimer {
  [mTimer invalidate];
  mTimer = nil;
}

- (void)removeFromSuperview {
#ifdef GNUSTEP
  // GNUstep workaround: addSubview: sends removeFromSuperview to the view it adds,
  // before it has a superview; that must not close the editor.
  if (![self superview]) return;
#endif
  [self retain];  // CloseWindow drops the graphics object's reference
  if (mTextFieldView) [self endUserInput];
  if (mGraphics) {
    IGraphicsMac* pGraphics = mGraphics;
    mGraphics = nullptr;
    pGraphics->CloseWindow();
  }
  [super removeFromSuperview];
  [self release];
}

#ifdef GNUSTEP
// GNUstep workaround: a keystroke the formatter rejects stays in the field (GNUstep
// does not implement undoing it), so the last string the formatter accepted comes back.
- (void)controlTextDidChange:(NSNotification*)aNotification {
  NSTextField* field = [aNotification object];
  if (field != mTextFieldView) return;
  NSString* now = [[[[field currentEditor] string] copy] autorelease];
  if (!now) now = [field stringValue];
  NSFormatter* f = [field formatter];
  NSString* newString = nil;
  NSString* error = nil;
  if (f && ![f isPartialStringValid:now newEditingString:&newString errorDescription:&error]) {
    NSString* restore = mLastValidText ? mLastValidText : @"";
    NSText* editor = [field currentEditor];
    if (editor) {
      [editor setString:restore];
      [editor setSelectedRange:NSMakeRange([restore length], 0)];
    } else {
      [field setStringValue:restore];
    }
    return;
  }
  [mLastValidText release];
  mLastValidText = [now copy];
}
#endif

- (void)controlTextDidEndEditing:(NSNotification*)aNotification {
  if (!mTextFieldView || [aNotification object] != mTextFieldView) return;
  char* txt = (char*)[[mTextFieldView stringValue] UTF8String];
  if (mGraphics && mEdControl) {
    if (mEdParam) {
      mGraphics->SetFromStringAfterPrompt(mEdControl, mEdParam, txt ? txt : (char*)"");
    } else {
      mEdControl->TextFromTextEntry(txt ? txt : "");
    }
  }
  [self endUserInput];
  [self setNeedsDisplay:YES];
}

- (IPopupMenu*)createIPopupMenu:(IPopupMenu*)pMenu:(NSRect)rect {
  if (!mGraphics || !pMenu) return nullptr;
  if (mInPress) mMenuRanInPress = YES;
  IGraphicsMenuRcvr_vToneglass_vst* pDummyView = [[IGraphicsMenuRcvr_vToneglass_vst alloc] initWithFrame:rect];
  IGraphicsNSMenu_vToneglass_vst* pNSMenu =
      [[IGraphicsNSMenu_vToneglass_vst alloc] initWithIPopupMenuAndReciever:(pMenu) :(pDummyView)];
  NSPoint wp = {rect.origin.x, rect.origin.y - 4};
  wp = [self convertPoint:wp toView:nil];
  CGFloat scale = 1.0;
  NSScreen* screen = [[self window] screen];
  if ([screen respondsToSelector:@selector(backingScaleFactor)]) scale = [screen backingScaleFactor];
  if (scale <= 0) scale = 1.0;
  wp.x /= scale;
  wp.y /= scale;
  NSEvent* event = [NSEvent otherEventWithType:NSApplicationDefined
                                      location:wp
                                 modifierFlags:NSApplicationDefined
                                     timestamp:(NSTimeInterval)0
                                  windowNumber:[[self window] windowNumber]
                                       context:[NSGraphicsContext currentContext]
                                       subtype:0
                                         data1:0
                                         data2:0];
#ifdef GNUSTEP
  // GNUstep workaround: a context menu for a synthetic event returns at once without
  // showing; the event that asked for the menu places it instead.
  if ([NSApp currentEvent]) event = [NSApp currentEvent];
#endif
  [NSMenu popUpContextMenu:pNSMenu withEvent:event forView:pDummyView];

  IPopupMenu* pChosen = nullptr;
  NSMenuItem* pChosenItem = [pDummyView MenuItem];
  NSMenu* pChosenMenu = [pChosenItem menu];
  if (pChosenItem && [pChosenMenu isKindOfClass:[IGraphicsNSMenu_vToneglass_vst class]]) {
    IPopupMenu* pIPopupMenu = [(IGraphicsNSMenu_vToneglass_vst*)pChosenMenu AssociatedIPopupMenu];
    const long idx = [pChosenMenu indexOfItem:pChosenItem];
    if (idx >= 0 && pIPopupMenu) {
      pIPopupMenu->SetChosenItemIdx((int)idx);
      pChosen = pIPopupMenu;
    }
  }
  [pNSMenu release];
  [pDummyView release];
  return pChosen;
}

- (void)createTextEntry:(IControl*)pControl:(IParam*)pParam:(IText*)pText:(const char*)pString:(NSRect)areaRect {
  if (!pControl || mTextFieldView || !pText) return;

  mTextFieldView = [[NSTextField alloc] initWithFrame:areaRect];
  NSString* font = [NSString stringWithUTF8String:pText->mFont];
  NSFont* nsFont = font ? [NSFont fontWithName:font size:(int)(pText->mSize * 0.9)] : nil;
  // A face the system does not have: its own font at that size, not none.
  if (!nsFont) nsFont = [NSFont userFontOfSize:(int)(pText->mSize * 0.9)];
  [mTextFieldView setFont:nsFont];
  switch (pText->mAlign) {
    case IText::kAlignNear: [mTextFieldView setAlignment:NSLeftTextAlignment]; break;
    case IText::kAlignCenter: [mTextFieldView setAlignment:NSCenterTextAlignment]; break;
    case IText::kAlignFar: [mTextFieldView setAlignment:NSRightTextAlignment]; break;
    default: break;
  }
  if (pParam) {
    CocoaFormatter_vToneglass_vst* pFormatter = [[[CocoaFormatter_vToneglass_vst alloc] init] autorelease];
    NSString* chars = [NSString stringWithUTF8String:cocoa_rules::EntryCharacters(pParam->Type())];
    [pFormatter setAcceptableCharacterSet:[NSCharacterSet characterSetWithCharactersInString:chars]];
    [pFormatter setMaximumLength:pControl->GetTextEntryLength()];
    [[mTextFieldView cell] setFormatter:pFormatter];
  }
  [[mTextFieldView cell] setLineBreakMode:NSLineBreakByTruncatingTail];
  [mTextFieldView setAllowsEditingTextAttributes:NO];
  const IColor& fg = pText->mTextEntryFGColor;
  const IColor& bg = pText->mTextEntryBGColor;
  [mTextFieldView setTextColor:[NSColor colorWithDeviceRed:fg.R / 255.0 green:fg.G / 255.0 blue:fg.B / 255.0 alpha:fg.A / 255.0]];
  [mTextFieldView setBackgroundColor:[NSColor colorWithDeviceRed:bg.R / 255.0 green:bg.G / 255.0 blue:bg.B / 255.0 alpha:bg.A / 255.0]];
  [mTextFieldView setBordered:NO];
  [mTextFieldView setFocusRingType:NSFocusRingTypeNone];
  NSString* initial = [NSString stringWithUTF8String:pString ? pString : ""];
  if (!initial) initial = @"";
  [mTextFieldView setStringValue:initial];
  [mLastValidText release];
  mLastValidText = [initial copy];
  [mTextFieldView setDelegate:(id)self];

  [self addSubview:mTextFieldView];
  NSWindow* pWindow = [self window];
  [pWindow makeKeyAndOrderFront:nil];
  [pWindow makeFirstResponder:mTextFieldView];

  mEdControl = pControl;
  mEdParam = pParam;
}

- (void)endUserInput {
  if (!mTextFieldView) return;
  NSTextField* field = mTextFieldView;
  mTextFieldView = nil;
  [field setDelegate:nil];
  [field removeFromSuperview];
  NSWindow* pWindow = [self window];
  if (pWindow) [pWindow makeFirstResponder:self];
  // Released later, not here: this runs inside the field's own end-of-editing
  // notification (GNUstep crashes when the field goes away under it).
  [field autorelease];
  mEdControl = nullptr;
  mEdParam = nullptr;
}

- (void)UpdateFPS:(int)fps {
  if (fps <= 0) return;
  [self killTimer];
  mTimer = [NSTimer timerWithTimeInterval:1.0 / (double)fps target:self selector:@selector(onTimer:) userInfo:nil repeats:YES];
  [self addTimerToRunLoop];
  if (mGraphics) mGraphics->SetFPSFromView(fps);
}

- (void)SetWindowTransparency:(int)alpha {
  NSWindow* pWindow = [self window];
  [pWindow setAlphaValue:(CGFloat)alpha / 255.0];
  [pWindow setOpaque:NO];
}

- (NSString*)view:(NSView*)pView stringForToolTip:(NSToolTipTag)tag point:(NSPoint)point userData:(void*)pData {
  (void)pView;
  (void)tag;
  (void)point;
  (void)pData;
  if (!mGraphics) return @"";
  IControl* pControl = mGraphics->GetControl(mGraphics->GetMouseOver());
  const char* tip = pControl ? pControl->GetTooltip() : nullptr;
  NSString* s = tip ? [NSString stringWithUTF8String:tip] : nil;
  return s ? s : @"";
}

- (void)registerToolTip:(IRECT*)pRECT {
  if (mGraphics) [self addToolTipRect:ToNSRect(mGraphics, pRECT) owner:self userData:nil];
}
@end
