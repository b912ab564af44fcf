// IEditGestures: the begin-edit / end-edit notices around what a user changes in the
// editor. Hosts that record touch automation need every value the editor sends to
// arrive inside exactly one begin/end pair for its parameter, and never an end
// without a begin. The graphics context tells this object where the user's gestures
// start and stop; the plug-in base reports every value the editor pushes (Touch),
// and a parameter that is not yet open gets its begin-edit just before its value.
//
//   press       a mouse press on a control: its parameter begins at once (hosts take
//               that as "touched") and everything ends on the release;
//   wheel       a run of notches on one control: ends kWheelPauseMs after the last
//               notch (Poll), or when anything else starts, or when the editor closes;
//   one event   anything else the user does (a double-click reset, a typed value, a
//               key): the parameters it changes begin and end within that event.
//
// Values the plug-in pushes on its own, outside any user event and gesture, are
// passed through as before. All state is kept under the plug-in mutex (recursive),
// which is also where the host hears of the values; a host callback that closes the
// editor (EndAll from inside a Begin) is safe: a parameter counts as open before
// the host hears its begin, and as closed before it hears its end.
#ifndef IPLUG_IEDITGESTURES_H_
#define IPLUG_IEDITGESTURES_H_

#include <vector>

class IPlugBase;

class IEditGestures {
 public:
  static constexpr int kWheelPauseMs = 300;

  explicit IEditGestures(IPlugBase* pPlug) : mPlug(pPlug) {}
  IEditGestures(const IEditGestures&) = delete;
  IEditGestures& operator=(const IEditGestures&) = delete;

  // Brackets one user event; the outermost Leave ends a one-event gesture.
  // endsWheel: the event starts something new, so a wheel run still open ends first.
  void Enter(bool endsWheel);
  void Leave();

  // A press on a control bound to paramIdx (-1: none) starts; whatever was open ends.
  void BeginPress(int paramIdx);
  // The release: a press gesture ends (anything else stays as it is).
  void EndPress();
  // A wheel notch over control controlIdx at nowMs: joins the wheel run on that
  // control, else ends what is open and starts one. Joins a press in progress.
  void WheelNotch(int controlIdx, long long nowMs);
  // Ends a wheel run once kWheelPauseMs have passed without a notch.
  void Poll(long long nowMs);
  // The editor pushes a value of paramIdx: begins it when inside a gesture or a user
  // event and not open yet. False when the value must not go to the host: the host
  // ended the gesture again from inside its begin callback.
  bool Touch(int paramIdx);
  // Ends everything open (the editor closes, the server went away, a new gesture).
  void EndAll();

  // ---- Inspection (tests) -------------------------------------------------------------
  bool IsOpen(int paramIdx);
  int NOpen();
  bool WheelRunning();

 private:
  enum EKind { kNone, kPress, kWheel, kOneEvent };

  void BeginParam(int paramIdx);

  IPlugBase* mPlug;
  EKind mKind = kNone;
  int mDepth = 0;  // user events being dispatched (they nest: a prompt inside a press)
  int mWheelControl = -1;
  long long mLastNotchMs = 0;
  std::vector<int> mOpen;  // parameters told "begin" and not yet "end", in order
};

#endif  // IPLUG_IEDITGESTURES_H_
