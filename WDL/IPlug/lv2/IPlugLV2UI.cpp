// The LV2 UI binding over the editor's platform backend.
#include "IPlugLV2UI.h"

#include <lv2/atom/util.h>
#include <lv2/options/options.h>
#include <lv2/parameters/parameters.h>

#include <cmath>
#include <cstring>
#include <new>

#include "IGraphics.h"
#include "IPlugBase.h"
#include "mutex.h"

IPlugLV2UI::IPlugLV2UI(const char* pluginURI, LV2UI_Write_Function write, LV2UI_Controller controller,
                       const LV2_Feature* const* features)
    : mURI(pluginURI ? pluginURI : ""), mWrite(write), mController(controller) {
  for (int i = 0; features && features[i]; ++i) {
    const char* uri = features[i]->URI;
    if (!strcmp(uri, LV2_UI__parent)) mParent = features[i]->data;
    else if (!strcmp(uri, LV2_UI__touch)) mTouch = static_cast<const LV2UI_Touch*>(features[i]->data);
    else if (!strcmp(uri, LV2_UI__resize)) mResize = static_cast<const LV2UI_Resize*>(features[i]->data);
    else if (!strcmp(uri, LV2_URID__map)) mMap = static_cast<LV2_URID_Map*>(features[i]->data);
  }
  const LV2_Options_Option* options = nullptr;
  for (int i = 0; features && features[i]; ++i)
    if (!strcmp(features[i]->URI, LV2_OPTIONS__options)) options = static_cast<const LV2_Options_Option*>(features[i]->data);
  if (mMap && options) {
    const LV2_URID rateKey = mMap->map(mMap->handle, LV2_PARAMETERS__sampleRate);
    const LV2_URID atomFloat = mMap->map(mMap->handle, LV2_ATOM__Float);
    for (const LV2_Options_Option* o = options; o->key || o->value; ++o)
      if (o->key == rateKey && o->type == atomFloat && o->size == sizeof(float) && o->value)
        mSampleRate = *static_cast<const float*>(o->value);
  }
  if (mMap) {
    mEventTransfer = mMap->map(mMap->handle, LV2_ATOM__eventTransfer);
    mAtomFloat = mMap->map(mMap->handle, LV2_ATOM__Float);
    mDisplayFrame = mMap->map(mMap->handle, (mURI + IPLUG_LV2_DISPLAY_FRAME_SUFFIX).c_str());
    mSampleRateKey = mMap->map(mMap->handle, (mURI + IPLUG_LV2_SAMPLE_RATE_SUFFIX).c_str());
    mDisplayValuesKey = mMap->map(mMap->handle, (mURI + IPLUG_LV2_DISPLAY_VALUES_SUFFIX).c_str());
  }
}

IPlugLV2UI::~IPlugLV2UI() {
  if (!mPlug) return;
  if (IGraphics* g = mPlug->GetGUI()) g->CloseWindow();
  delete mPlug;
}

bool IPlugLV2UI::Open(IPlugBase* pPlug, LV2UI_Widget* pWidget) {
  mPlug = pPlug;
  if (!mPlug) return false;
  mPorts = IPlugLV2Ports::For(mPlug);
  mTouched.assign(mPorts.nParams, false);
  {
    // What the engine's side does at instantiation, so that the editor draws the
    // parameters' settings (the host's port values follow) at the engine's rate.
    WDL_MutexLock lock(mPlug->GetMutex());
    mPlug->OnParamReset();
    if (std::isfinite(mSampleRate) && mSampleRate > 0.0) mPlug->SetSampleRate(mSampleRate);
    mPlug->Reset();
  }
  IGraphics* g = mPlug->GetGUI();
  if (!g || !mParent) return false;
  void* window = g->OpenWindow(mParent);
  if (!window) return false;
  if (pWidget) *pWidget = window;
  if (mResize && mResize->ui_resize) mResize->ui_resize(mResize->handle, g->Width(), g->Height());
  return true;
}

// ---- Host to UI -----------------------------------------------------------------------------

void IPlugLV2UI::PortEvent(uint32_t port, uint32_t size, uint32_t format, const void* buffer) {
  if (!mPlug || !buffer) return;
  if (format == 0) {
    const int idx = mPorts.ParamOfPort(port);
    if (idx < 0 || size != sizeof(float)) return;
    const double v = *static_cast<const float*>(buffer);
    if (std::isnan(v)) return;
    WDL_MutexLock lock(mPlug->GetMutex());
    IParam* param = mPlug->GetParam(idx);
    const double lo = param->GetMin(), hi = param->GetMax();
    param->Set(v < lo ? lo : (v > hi ? hi : v));
    mPlug->OnParamChange(idx);
    if (IGraphics* g = mPlug->GetGUI()) g->SetParameterFromPlug(idx, param->Value(), false);
    return;
  }
  if (mMap && format == mEventTransfer && port == mPorts.display && size >= sizeof(LV2_Atom)) {
    const LV2_Atom* atom = static_cast<const LV2_Atom*>(buffer);
    if (atom->size <= size - sizeof(LV2_Atom)) ReceiveDisplayFrame(atom);
  }
}

void IPlugLV2UI::ReceiveDisplayFrame(const LV2_Atom* atom) {
  if (atom->size < sizeof(LV2_Atom_Object_Body)) return;
  const LV2_Atom_Object* obj = reinterpret_cast<const LV2_Atom_Object*>(atom);
  if (obj->body.otype != mDisplayFrame) return;
  const LV2_Atom* rate = nullptr;
  const LV2_Atom* values = nullptr;
  lv2_atom_object_get(obj, mSampleRateKey, &rate, mDisplayValuesKey, &values, 0);
  if (!values || values->size < sizeof(LV2_Atom_Vector_Body)) return;
  const LV2_Atom_Vector* vec = reinterpret_cast<const LV2_Atom_Vector*>(values);
  if (vec->body.child_type != mAtomFloat || vec->body.child_size != sizeof(float)) return;
  const int n = static_cast<int>((values->size - sizeof(LV2_Atom_Vector_Body)) / sizeof(float));
  const double sampleRate =
      rate && rate->type == mAtomFloat && rate->size == sizeof(float) ? reinterpret_cast<const LV2_Atom_Float*>(rate)->body : 0.0;
  mPlug->ReceiveDisplayData(reinterpret_cast<const float*>(vec + 1), n, sampleRate);
}

int IPlugLV2UI::Idle() {
  IGraphics* g = mPlug ? mPlug->GetGUI() : nullptr;
  if (!g) return 1;
  g->OnEditorIdle();
  return g->GetWindow() ? 0 : 1;
}

// ---- UI to host -------------------------------------------------------------------------------

// Hosts that record touch automation need every write inside a begin/end pair on its port.
// The editor pairs every change a user makes; a value that reaches the host some other
// way still gets a pair of its own here, and an end without a begin or a second begin
// never leaves for the host.
void IPlugLV2UI::Touch(int paramIdx, bool grabbed) {
  if (mTouch && mTouch->touch) mTouch->touch(mTouch->handle, mPorts.PortOfParam(paramIdx), grabbed);
}

void IPlugLV2UI::BeginEdit(int paramIdx) {
  if (paramIdx < 0 || paramIdx >= static_cast<int>(mTouched.size()) || mTouched[static_cast<size_t>(paramIdx)]) return;
  mTouched[static_cast<size_t>(paramIdx)] = true;
  Touch(paramIdx, true);
}

void IPlugLV2UI::Edit(int paramIdx) {
  const IParam* param = mPlug ? mPlug->GetParam(paramIdx) : nullptr;
  if (!param || !mWrite || paramIdx >= static_cast<int>(mTouched.size())) return;
  const bool alone = !mTouched[static_cast<size_t>(paramIdx)];
  if (alone) Touch(paramIdx, true);
  const float v = static_cast<float>(param->Value());
  mWrite(mController, mPorts.PortOfParam(paramIdx), sizeof(float), 0, &v);
  if (alone) Touch(paramIdx, false);
}

void IPlugLV2UI::EndEdit(int paramIdx) {
  if (paramIdx < 0 || paramIdx >= static_cast<int>(mTouched.size()) || !mTouched[static_cast<size_t>(paramIdx)]) return;
  mTouched[static_cast<size_t>(paramIdx)] = false;
  Touch(paramIdx, false);
}

// ---- Descriptor callbacks -----------------------------------------------------------------

namespace {
WDL_Mutex& UICreationLock() {
  static WDL_Mutex sLock;
  return sLock;
}

int IdleCallback(LV2UI_Handle ui) { return ui ? static_cast<IPlugLV2UI*>(ui)->Idle() : 1; }
const LV2UI_Idle_Interface kIdle = {IdleCallback};
}  // namespace

LV2UI_Handle IPlugLV2UIInstantiate(IPlugLV2UIFactory factory, const char* pluginURI, LV2UI_Write_Function write,
                                   LV2UI_Controller controller, LV2UI_Widget* widget,
                                   const LV2_Feature* const* features) {
  WDL_MutexLock lock(&UICreationLock());
  IPlugLV2UI* ui = new (std::nothrow) IPlugLV2UI(pluginURI, write, controller, features);
  if (!ui) return nullptr;
  if (!ui->Open(factory ? factory(ui) : nullptr, widget)) {
    delete ui;
    return nullptr;
  }
  return ui;
}

void IPlugLV2UICleanup(LV2UI_Handle ui) {
  WDL_MutexLock lock(&UICreationLock());
  delete static_cast<IPlugLV2UI*>(ui);
}

void IPlugLV2UIPortEvent(LV2UI_Handle ui, uint32_t port, uint32_t size, uint32_t format, const void* buffer) {
  if (ui) static_cast<IPlugLV2UI*>(ui)->PortEvent(port, size, format, buffer);
}

const void* IPlugLV2UIExtensionData(const char* uri) {
  if (uri && !strcmp(uri, LV2_UI__idleInterface)) return &kIdle;
  return nullptr;
}
