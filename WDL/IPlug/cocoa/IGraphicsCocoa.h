// The Cocoa classes of the editor: the view that owns the redraw timer and turns
// events into IGraphics calls, the borderless child window, the popup menu pair and
// the text-entry filter. Objective-C++ only.
#ifndef IPLUG_COCOA_IGRAPHICSCOCOA_H_
#define IPLUG_COCOA_IGRAPHICSCOCOA_H_

#include "CocoaPlatform.h"
#include "IGraphicsMac.h"

class IControl;
class IParam;
class IPopupMenu;
struct IText;

@interface CocoaFormatter_vToneglass_vst : NSFormatter {
  NSCharacterSet* filterCharacterSet;
  int maxLength;
  int maxValue;
}
- (void)setAcceptableCharacterSet:(NSCharacterSet*)inCharacterSet;
- (void)setMaximumLength:(int)inLength;
- (void)setMaximumValue:(int)inValue;
@end

@interface CustomCocoaWindow_vToneglass_vst : NSWindow
@end

@interface IGraphicsNSMenu_vToneglass_vst : NSMenu {
  IPopupMenu* mIPopupMenu;
}
- (id)initWithIPopupMenuAndReciever:(IPopupMenu*)pMenu:(NSView*)pView;
- (IPopupMenu*)AssociatedIPopupMenu;
@end

@interface IGraphicsMenuRcvr_vToneglass_vst : NSView {
  NSMenuItem* nsMenuItem;
}
- (void)OnMenuSelection:(id)sender;
- (NSMenuItem*)MenuItem;
@end

@interface IGraphicsCocoa_vToneglass_vst : NSView {
 @public
  NSTimer* mTimer;
  NSTextField* mTextFieldView;
  IControl* mEdControl;
  IParam* mEdParam;
  int mPrevX, mPrevY;
  IGraphicsMac* mGraphics;
 @private
  NSString* mLastValidText;  // GNUstep workaround, see controlTextDidChange:
  // A popup menu opened by a press takes the press's release: see endPressTakenByMenu.
  BOOL mInPress, mMenuRanInPress;
}
- (id)init;
- (id)initWithIGraphics:(IGraphicsMac*)pGraphics;
- (BOOL)isOpaque;
- (BOOL)acceptsFirstResponder;
- (BOOL)acceptsFirstMouse:(NSEvent*)pEvent;
- (void)viewDidMoveToWindow;
- (void)drawRect:(NSRect)rect;
- (void)onTimer:(NSTimer*)pTimer;
- (void)getMouseXY:(NSEvent*)pEvent x:(int*)pX y:(int*)pY;
- (void)mouseDown:(NSEvent*)pEvent;
- (void)mouseUp:(NSEvent*)pEvent;
- (void)mouseDragged:(NSEvent*)pEvent;
- (void)rightMouseDown:(NSEvent*)pEvent;
- (void)rightMouseUp:(NSEvent*)pEvent;
- (void)rightMouseDragged:(NSEvent*)pEvent;
- (void)mouseMoved:(NSEvent*)pEvent;
- (void)keyDown:(NSEvent*)pEvent;
- (void)scrollWheel:(NSEvent*)pEvent;
- (void)killTimer;
- (void)removeFromSuperview;
- (void)controlTextDidEndEditing:(NSNotification*)aNotification;
- (IPopupMenu*)createIPopupMenu:(IPopupMenu*)pMenu:(NSRect)rect;
- (void)createTextEntry:(IControl*)pControl:(IParam*)pParam:(IText*)pText:(const char*)pString:(NSRect)areaRect;
- (void)endUserInput;
- (void)UpdateFPS:(int)fps;
- (void)SetWindowTransparency:(int)alpha;
- (NSString*)view:(NSView*)pView stringForToolTip:(NSToolTipTag)tag point:(NSPoint)point userData:(void*)pData;
- (void)registerToolTip:(IRECT*)pRECT;
// Puts mTimer into the current run loop.
- (void)addTimerToRunLoop;
// After a press that ran a popup menu: the menu consumed the release, so the press
// ends here as the release would have ended it, and the host hears the end of the
// edit it was told began.
- (void)endPressTakenByMenu:(int)x y:(int)y mod:(IMouseMod*)pMod;
@end

// The editor's modifier record for a Cocoa event (left button, mouse moved and wheel
// rows, or the right button's).
IMouseMod GetMouseMod(NSEvent* pEvent);
IMouseMod GetRightMouseMod(NSEvent* pEvent);
// An editor IRECT as a view rectangle in an editor of height h.
NSRect ToNSRect(IGraphics* pGraphics, IRECT* pR);

#endif  // IPLUG_COCOA_IGRAPHICSCOCOA_H_
