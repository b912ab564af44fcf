// A small Linux VST 2 host for the editor tests: loads a plug-in's .so, makes a
// top-level parent window on its own X connection, opens the editor in it and plays
// the host's user-interface thread (effEditIdle). Every call the plug-in makes back
// is recorded with the thread it came from; real input goes in through XTest
// (HostInput).
#ifndef TESTS_X11_TEST_HOST_H_
#define TESTS_X11_TEST_HOST_H_

// gtest before Xlib: Xlib defines None, a name gtest uses.
#include <gtest/gtest.h>
#include <X11/Xlib.h>

#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "host_x11_fixture.h"
#include "host_x11_input.h"
#include "vst_test_host.h"

namespace x11host {

struct Call {
  VstInt32 opcode;
  VstInt32 index;
  float opt;
  std::thread::id thread;
};

class Recorder {
 public:
  static VstIntPtr Callback(AEffect* e, VstInt32 opcode, VstInt32 index, VstIntPtr, void*, float opt) {
    if (opcode == audioMasterVersion) return kVstVersion;
    Recorder* r = e ? static_cast<Recorder*>(e->user) : nullptr;
    if (!r) return 0;
    {
      std::lock_guard<std::mutex> lock(r->mLock);
      r->mCalls.push_back(Call{opcode, index, opt, std::this_thread::get_id()});
    }
    if (r->onCall) r->onCall(e, opcode);
    return 0;
  }
  // Runs after each call is recorded (a host reacting to it), on the calling thread.
  std::function<void(AEffect*, VstInt32)> onCall;
  std::vector<Call> Calls() {
    std::lock_guard<std::mutex> lock(mLock);
    return mCalls;
  }
  void Forget() {
    std::lock_guard<std::mutex> lock(mLock);
    mCalls.clear();
  }

 private:
  std::mutex mLock;
  std::vector<Call> mCalls;
};

// One plug-in instance and, while open, its editor in a parent window of ours.
class EditorHost : public HostInput {
 public:
  EditorHost(vsthost::Library& lib, Display* d) : HostInput(d, [this](int ms) { Idle(ms); }), mDisplay(d) {
    mEffect = lib.Main()(Recorder::Callback);
    if (!mEffect) return;
    mEffect->user = &mRecorder;
    Dispatch(effOpen);
    Dispatch(effSetSampleRate, 0, 0, nullptr, 44100.0f);
    Dispatch(effSetBlockSize, 0, 512);
    Dispatch(effMainsChanged, 0, 1);
  }
  ~EditorHost() {
    if (mOpen && mEffect) CloseEditor();
    DestroyParent();
    if (mEffect) Dispatch(effClose);
  }
  // effClose as a host sends it, the editor left open or not; the recorder stays.
  void CloseEffect() {
    if (mEffect) Dispatch(effClose);
    mEffect = nullptr;
    mOpen = false;
  }

  bool Ok() const { return mEffect != nullptr; }
  AEffect* Effect() const { return mEffect; }
  VstIntPtr Dispatch(VstInt32 op, VstInt32 idx = 0, VstIntPtr value = 0, void* ptr = nullptr, float opt = 0) {
    return mEffect->dispatcher(mEffect, op, idx, value, ptr, opt);
  }
  float Get(int idx) { return mEffect->getParameter(mEffect, idx); }
  void Set(int idx, float v) { mEffect->setParameter(mEffect, idx, v); }
  std::string ParamText(int idx) {
    char buf[128] = {};
    Dispatch(effGetParamDisplay, idx, 0, buf);
    return buf;
  }
  Recorder& Calls() { return mRecorder; }

  // The parent hears key presses: those the editor does not take come to it.
  Window MakeParent(int w, int h) {
    return mParent = HostTopWindow(mDisplay, w, h, KeyPressMask | KeyReleaseMask | SubstructureNotifyMask);
  }
  void DestroyParent() {
    if (!mParent) return;
    XDestroyWindow(mDisplay, mParent);
    XSync(mDisplay, False);
    mParent = 0;
  }
  Window Parent() const { return mParent; }

  bool OpenEditor() {
    mOpen = Dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(static_cast<uintptr_t>(mParent))) == 1;
    return mOpen;
  }
  void CloseEditor() {
    Dispatch(effEditClose);
    mOpen = false;
  }
  // The editor's window: the parent's only child.
  Window EditorWindow() { return HostLastChild(mDisplay, mParent); }

  // The host's user-interface thread: effEditIdle every 10 ms for ms milliseconds.
  void Idle(int ms) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    do {
      Dispatch(effEditIdle);
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    } while (std::chrono::steady_clock::now() < end);
  }

 private:
  ::Display* mDisplay;
  AEffect* mEffect = nullptr;
  Recorder mRecorder;
  Window mParent = 0;
  bool mOpen = false;
};

}  // namespace x11host

#endif  // TESTS_X11_TEST_HOST_H_
