// A small LV2 UI host for tests: loads a UI binary with dlopen, instantiates its
// ui:X11UI in a parent window of ours with ui:parent, urid:map and ui:touch, drives it
// through the idle interface and real input (HostInput), and records every port write and touch notice.
#ifndef TESTS_LV2_UI_TEST_HOST_H_
#define TESTS_LV2_UI_TEST_HOST_H_

#include <X11/Xlib.h>
#include <dlfcn.h>
#include <lv2/ui/ui.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "host_x11_fixture.h"
#include "host_x11_input.h"
#include "lv2_test_host.h"

namespace lv2uihost {

// What the UI told the host: a port write (touch false, value set) or a touch notice.
struct UICall {
  enum Kind { kWrite, kTouch } kind;
  uint32_t port;
  float value;  // the written value, or 1 (grabbed) / 0 (released)
  std::thread::id thread;
};

class UIHost : public HostInput {
 public:
  UIHost(const std::string& uiBinary, const char* uiURI, Display* d)
      : HostInput(d, [this](int ms) { Idle(ms); }), mDisplay(d) {
    mLib = dlopen(uiBinary.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!mLib) return;
    auto entry = reinterpret_cast<const LV2UI_Descriptor* (*)(uint32_t)>(dlsym(mLib, "lv2ui_descriptor"));
    for (uint32_t i = 0; entry && entry(i); ++i)
      if (std::string(entry(i)->URI) == uiURI) mDesc = entry(i);
    mTouch = {this, &UIHost::OnTouch};
  }
  ~UIHost() {
    Close();
    DestroyParent();
    if (mLib) dlclose(mLib);
  }
  UIHost(const UIHost&) = delete;
  UIHost& operator=(const UIHost&) = delete;

  bool Loaded() const { return mDesc != nullptr; }

  Window MakeParent(int w, int h) { return mParent = HostTopWindow(mDisplay, w, h); }
  void DestroyParent() {
    if (!mParent) return;
    XDestroyWindow(mDisplay, mParent);
    XSync(mDisplay, False);
    mParent = 0;
  }

  // Instantiates the UI for pluginURI; withParent false leaves ui:parent out.
  bool Open(const char* pluginURI, bool withParent = true, bool withTouch = true) {
    const LV2_Feature parent = {LV2_UI__parent, reinterpret_cast<void*>(static_cast<uintptr_t>(mParent))};
    const LV2_Feature map = {LV2_URID__map, mUrids.Feature()};
    const LV2_Feature touch = {LV2_UI__touch, &mTouch};
    const LV2_Feature* features[4] = {&map, nullptr, nullptr, nullptr};
    int n = 1;
    if (withParent) features[n++] = &parent;
    if (withTouch) features[n++] = &touch;
    mWidget = nullptr;
    mHandle = mDesc->instantiate(mDesc, pluginURI, "", &UIHost::OnWrite, this, &mWidget, features);
    if (!mHandle) return false;
    mIdle = static_cast<const LV2UI_Idle_Interface*>(mDesc->extension_data(LV2_UI__idleInterface));
    return true;
  }
  void Close() {
    if (mHandle) mDesc->cleanup(mHandle);
    mHandle = nullptr;
  }
  Window EditorWindow() const { return static_cast<Window>(reinterpret_cast<uintptr_t>(mWidget)); }

  // The host's UI thread: idle every 10 ms for ms milliseconds; the last idle's answer.
  int Idle(int ms) {
    int answer = 0;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    do {
      answer = mIdle->idle(mHandle);
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    } while (std::chrono::steady_clock::now() < end);
    return answer;
  }
  void PortEvent(uint32_t port, float value) { mDesc->port_event(mHandle, port, sizeof(float), 0, &value); }
  void AtomEvent(uint32_t port, const LV2_Atom* atom) {
    mDesc->port_event(mHandle, port, sizeof(LV2_Atom) + atom->size, mUrids.Map(LV2_ATOM__eventTransfer), atom);
  }

  std::vector<UICall> mCalls;
  lv2host::UridMap& Urids() { return mUrids; }

 private:
  static void OnWrite(LV2UI_Controller c, uint32_t port, uint32_t size, uint32_t protocol, const void* buffer) {
    if (protocol != 0 || size != sizeof(float)) return;
    static_cast<UIHost*>(c)->mCalls.push_back(
        {UICall::kWrite, port, *static_cast<const float*>(buffer), std::this_thread::get_id()});
  }
  static void OnTouch(LV2UI_Feature_Handle h, uint32_t port, bool grabbed) {
    static_cast<UIHost*>(h)->mCalls.push_back({UICall::kTouch, port, grabbed ? 1.0f : 0.0f, std::this_thread::get_id()});
  }

  Display* mDisplay;
  void* mLib = nullptr;
  const LV2UI_Descriptor* mDesc = nullptr;
  LV2UI_Handle mHandle = nullptr;
  LV2UI_Widget mWidget = nullptr;
  const LV2UI_Idle_Interface* mIdle = nullptr;
  LV2UI_Touch mTouch;
  lv2host::UridMap mUrids;
  Window mParent = 0;
};

}  // namespace lv2uihost

#endif  // TESTS_LV2_UI_TEST_HOST_H_
