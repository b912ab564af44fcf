// IPlugEditor: the little that the plug-in base and a host binding ask of an editor.
// The graphics context (IGraphics) implements it; the core and the bindings reach the
// editor only through it, so a plug-in built without an editor links no graphics code.
//
// Thread tags: [main-thread] is the thread that runs the host's editor calls
// (effEditOpen, effEditIdle, ...); [any-thread] may be a host's audio or parameter
// thread; "mutex held" means the plug-in's instance mutex.
#ifndef IPLUG_IPLUGEDITOR_H_
#define IPLUG_IPLUGEDITOR_H_

class IPlugEditor {
 public:
  virtual ~IPlugEditor() = default;

  // [any-thread] The editor's size in pixels.
  virtual int Width() const = 0;
  virtual int Height() const = 0;

  // [any-thread, mutex held] Moves every control bound to paramIdx.
  virtual void SetParameterFromPlug(int paramIdx, double value, bool normalized) = 0;
  // [main-thread, mutex held] Marks every control for redraw; with pushParamToPlug
  // each control also hands its value back to the plug-in.
  virtual void SetAllControlsDirty(bool pushParamToPlug = false) = 0;
  // [main-thread, mutex held] Creates the bitmaps drawing needs (on attach).
  virtual void PrepDraw() = 0;

  // [main-thread, mutex held] Embeds the editor in the host's parent window; the
  // view, or null when none could be opened.
  virtual void* OpenWindow(void* pParentWnd) = 0;
  // [main-thread, mutex held]
  virtual void CloseWindow() = 0;
  // [main-thread] Whether the editor's window is open now.
  virtual bool WindowIsOpen() = 0;
  // [main-thread] Ends every edit gesture still open (a drag, a run of wheel notches),
  // telling the host; for when no more events will come.
  virtual void EndEditGestures() = 0;
  // [editor, mutex held] The editor pushed a value of paramIdx: opens its gesture when
  // none is open. True when the value goes on to the host (see IEditGestures::Touch).
  virtual bool TouchEditGesture(int paramIdx) = 0;
  // [main-thread, mutex free] The host's editor idle call.
  virtual void OnEditorIdle() = 0;
  // [main-thread, mutex held] A key the host hands over; true when the editor took it.
  virtual bool OnHostKey(int character, int virtualKey, int modifiers, bool down) = 0;
  // [main-thread, mutex free] Stops the editor's idle thread, which calls into the
  // plug-in, before the plug-in is taken apart.
  virtual void StopIdleThread() = 0;

  // [main-thread, mutex held] A picture without a window: one draw pass (every
  // control when everything is set), as a window's timer runs it.
  virtual void DrawPicturePass(bool everything) = 0;
  // [main-thread, mutex held] Writes the editor's bitmap to a PNG file at path; false
  // (and no file left) when it could not.
  virtual bool WritePicturePNG(const char* path) = 0;
};

#endif  // IPLUG_IPLUGEDITOR_H_
