// The LV2 plug-in binding: instantiation, ports and the processing callback.
// run() holds the instance mutex for its whole call, as the VST 2 callbacks do, and never
// allocates except when a block longer than any before enlarges the scratch buffers.
#include "IPlugLV2.h"

#include <lv2/buf-size/buf-size.h>
#include <lv2/options/options.h>

#include <cmath>
#include <cstring>
#include <new>

#include "IPlugBase.h"
#include "IPlugLV2State.h"
#include "IPlugLV2Ttl.h"
#include "mutex.h"

// ---- Instance -----------------------------------------------------------------------------

IPlugLV2Instance::IPlugLV2Instance(IPlugBase* pPlug, const char* pluginURI, double sampleRate,
                                   const LV2_Feature* const* features)
    : mPlug(pPlug), mURI(pluginURI ? pluginURI : ""), mPorts(IPlugLV2Ports::For(pPlug)) {
  mConnections.assign(mPorts.count, nullptr);
  mInputs.assign(mPorts.nAudioIn, nullptr);
  mOutputs.assign(mPorts.nAudioOut, nullptr);
  mPieceIn.assign(mPorts.nAudioIn, nullptr);
  mPieceOut.assign(mPorts.nAudioOut, nullptr);
  mLastControl.resize(mPorts.nParams);
  for (uint32_t i = 0; i < mPorts.nParams; ++i)
    mLastControl[i] = static_cast<float>(mPlug->GetParam(static_cast<int>(i))->Value());

  for (int i = 0; features && features[i]; ++i)
    if (!strcmp(features[i]->URI, LV2_URID__map)) mMap = static_cast<LV2_URID_Map*>(features[i]->data);
  if (mMap) {
    lv2_atom_forge_init(&mForge, mMap);
    mAtomFloat = mMap->map(mMap->handle, LV2_ATOM__Float);
    mDisplayFrame = mMap->map(mMap->handle, (mURI + IPLUG_LV2_DISPLAY_FRAME_SUFFIX).c_str());
    mSampleRateKey = mMap->map(mMap->handle, (mURI + IPLUG_LV2_SAMPLE_RATE_SUFFIX).c_str());
    mDisplayValuesKey = mMap->map(mMap->handle, (mURI + IPLUG_LV2_DISPLAY_VALUES_SUFFIX).c_str());
  }

  // Every channel has its port.
  mPlug->SetInputChannelConnections(0, mPlug->NInChannels(), true);
  mPlug->SetOutputChannelConnections(0, mPlug->NOutChannels(), true);
  // What VST 2's effOpen, effSetSampleRate and effSetBlockSize do, in that order.
  mPlug->OnParamReset();
  if (std::isfinite(sampleRate)) mPlug->SetSampleRate(sampleRate);
  mPlug->SetBlockSize(kDefaultBlockSize);
  ReadOptions(features);
  mPlug->Reset();
}

IPlugLV2Instance::~IPlugLV2Instance() { delete mPlug; }

// The announced maximum becomes the block size, so that no block in such a host is
// longer than any before (which would reset the plug-in mid-stream).
void IPlugLV2Instance::ReadOptions(const LV2_Feature* const* features) {
  if (!mMap || !features) return;
  const LV2_Options_Option* options = nullptr;
  for (int i = 0; features[i]; ++i)
    if (!strcmp(features[i]->URI, LV2_OPTIONS__options)) options = static_cast<const LV2_Options_Option*>(features[i]->data);
  if (!options) return;
  const LV2_URID maxBlock = mMap->map(mMap->handle, LV2_BUF_SIZE__maxBlockLength);
  const LV2_URID nominalBlock = mMap->map(mMap->handle, LV2_BUF_SIZE__nominalBlockLength);
  const LV2_URID atomInt = mMap->map(mMap->handle, LV2_ATOM__Int);
  int announced = 0;
  for (const LV2_Options_Option* o = options; o->key || o->value; ++o) {
    if (o->type != atomInt || o->size != sizeof(int32_t) || !o->value) continue;
    const int32_t v = *static_cast<const int32_t*>(o->value);
    if (v < 1) continue;
    if (o->key == maxBlock) announced = v;
    else if (o->key == nominalBlock && announced == 0) announced = v;
  }
  if (announced > 0) mPlug->SetBlockSize(announced);
}

void IPlugLV2Instance::ConnectPort(uint32_t port, void* data) {
  if (port < mPorts.count) mConnections[port] = data;
}

void IPlugLV2Instance::Activate(bool active) {
  WDL_MutexLock lock(mPlug->GetMutex());
  mPlug->OnActivate(active);
  mPlug->Reset();
}

// ---- Processing ---------------------------------------------------------------------------

// A port whose value changed since it was last applied reaches the parameter, clamped into
// its range; a value that is not a number is ignored.
void IPlugLV2Instance::ApplyControls() {
  for (uint32_t i = 0; i < mPorts.nParams; ++i) {
    const float* port = static_cast<const float*>(At(mPorts.firstParam + i));
    if (!port) continue;
    const float v = *port;
    if (v == mLastControl[i] || std::isnan(v)) continue;
    mLastControl[i] = v;
    const int idx = static_cast<int>(i);
    IParam* param = mPlug->GetParam(idx);
    const double lo = param->GetMin(), hi = param->GetMax(), d = v;
    param->Set(d < lo ? lo : (d > hi ? hi : d));
    mPlug->OnParamChange(idx);
  }
  if (const float* enabled = static_cast<const float*>(At(mPorts.enabled))) {
    if (!std::isnan(*enabled)) mLastEnabled = *enabled;
    mPlug->SetBypassed(mLastEnabled < 0.5f);
  }
}

// The VST 2 binding's replacing frame: attach the float buffers (inputs converted into the
// double scratch buffers), process or pass through, convert the outputs back. A block that
// still exceeds the scratch buffers (their growth failed) runs in pieces that fit.
void IPlugLV2Instance::ProcessAudio(int nFrames) {
  for (uint32_t i = 0; i < mPorts.nAudioIn; ++i) mInputs[i] = static_cast<float*>(At(mPorts.firstAudioIn + i));
  for (uint32_t i = 0; i < mPorts.nAudioOut; ++i) mOutputs[i] = static_cast<float*>(At(mPorts.firstAudioOut + i));
  bool usable = true;
  for (float* p : mInputs) usable = usable && p;
  for (float* p : mOutputs) usable = usable && p;
  if (!usable) {
    // Never play what an output buffer held before.
    for (float* p : mOutputs)
      if (p) memset(p, 0, static_cast<size_t>(nFrames) * sizeof(float));
    return;
  }
  const int blockSize = mPlug->GetBlockSize();
  if (blockSize <= 0) return;
  const float sampleType = 0.0f;
  for (int done = 0; done < nFrames; done += blockSize) {
    const int n = nFrames - done < blockSize ? nFrames - done : blockSize;
    for (size_t i = 0; i < mInputs.size(); ++i) mPieceIn[i] = mInputs[i] + done;
    for (size_t i = 0; i < mOutputs.size(); ++i) mPieceOut[i] = mOutputs[i] + done;
    mPlug->AttachInputBuffers(0, static_cast<int>(mPieceIn.size()), mPieceIn.data(), n);
    mPlug->AttachOutputBuffers(0, static_cast<int>(mPieceOut.size()), mPieceOut.data());
    if (mPlug->GetBypassed())
      mPlug->PassThroughBuffers(sampleType, n);
    else
      mPlug->ProcessBuffers(sampleType, n);
  }
}

// The display port always gets a valid sequence: empty, or one event at frame 0 with the
// latest display frame (an object with the engine's sample rate and the values). A frame
// that does not fit the host's buffer is dropped, never cut.
void IPlugLV2Instance::WriteDisplay() {
  if (mPorts.display == IPlugLV2Ports::kNone) return;
  const float* data = nullptr;
  const int n = mPlug->TakeDisplayData(&data);
  auto* seq = static_cast<LV2_Atom_Sequence*>(At(mPorts.display));
  if (!seq || !mMap) return;
  const uint32_t capacity = seq->atom.size;
  if (capacity < sizeof(LV2_Atom_Sequence_Body)) return;
  lv2_atom_forge_set_buffer(&mForge, reinterpret_cast<uint8_t*>(seq), capacity + sizeof(LV2_Atom));
  LV2_Atom_Forge_Frame seqFrame;
  lv2_atom_forge_sequence_head(&mForge, &seqFrame, 0);
  if (n > 0 && data) {
    const uint32_t need = sizeof(LV2_Atom_Sequence) + IPlugLV2DisplayBufferBytes(n);
    if (need <= capacity + sizeof(LV2_Atom)) {
      LV2_Atom_Forge_Frame objFrame;
      lv2_atom_forge_frame_time(&mForge, 0);
      lv2_atom_forge_object(&mForge, &objFrame, 0, mDisplayFrame);
      lv2_atom_forge_key(&mForge, mSampleRateKey);
      lv2_atom_forge_float(&mForge, static_cast<float>(mPlug->GetSampleRate()));
      lv2_atom_forge_key(&mForge, mDisplayValuesKey);
      lv2_atom_forge_vector(&mForge, sizeof(float), mAtomFloat, static_cast<uint32_t>(n), data);
      lv2_atom_forge_pop(&mForge, &objFrame);
    }
  }
  lv2_atom_forge_pop(&mForge, &seqFrame);
}

void IPlugLV2Instance::Run(uint32_t nFrames) {
  WDL_MutexLock lock(mPlug->GetMutex());
  ApplyControls();
  if (float* latency = static_cast<float*>(At(mPorts.latency)))
    *latency = static_cast<float>(mPlug->GetLatency());
  const int n = nFrames > static_cast<uint32_t>(INT32_MAX) ? INT32_MAX : static_cast<int>(nFrames);
  if (n > 0) {
    if (n > mPlug->GetBlockSize()) {
      mPlug->SetBlockSize(n);
      mPlug->Reset();
    }
    ProcessAudio(n);
  }
  WriteDisplay();
}

// ---- Descriptor callbacks -----------------------------------------------------------------

namespace {
WDL_Mutex& InstanceCreationLock() {
  static WDL_Mutex sLock;
  return sLock;
}
IPlugLV2Instance* FromHandle(LV2_Handle h) { return static_cast<IPlugLV2Instance*>(h); }

bool WriteTtlFromInstance(void* instance, const char* folder, const char* binaryName, const char* uiBinaryName) {
  IPlugLV2Instance* p = FromHandle(instance);
  return p && IPlugLV2WriteBundleTtl(p->Plug(), p->PluginURI(), folder, binaryName, uiBinaryName);
}
const IPlugLV2TtlWriter kTtlWriter = {WriteTtlFromInstance};
}  // namespace

LV2_Handle IPlugLV2Instantiate(IPlugLV2Factory factory, const char* pluginURI, double sampleRate,
                               const LV2_Feature* const* features) {
  WDL_MutexLock lock(&InstanceCreationLock());
  IPlugBase* plug = factory ? factory() : nullptr;
  if (!plug) return nullptr;
  IPlugLV2Instance* instance = new (std::nothrow) IPlugLV2Instance(plug, pluginURI, sampleRate, features);
  if (!instance) {
    delete plug;
    return nullptr;
  }
  // Without urid:map (required in the TTL when the plug-in has a display port or keeps
  // its state in chunks) the display port could never be written, nor the state saved.
  if ((instance->Ports().display != IPlugLV2Ports::kNone || plug->DoesStateChunks()) && !instance->HasURIDMap()) {
    delete instance;
    return nullptr;
  }
  return instance;
}

void IPlugLV2ConnectPort(LV2_Handle h, uint32_t port, void* data) {
  if (IPlugLV2Instance* p = FromHandle(h)) p->ConnectPort(port, data);
}
void IPlugLV2Activate(LV2_Handle h) {
  if (IPlugLV2Instance* p = FromHandle(h)) p->Activate(true);
}
void IPlugLV2Run(LV2_Handle h, uint32_t nFrames) {
  if (IPlugLV2Instance* p = FromHandle(h)) p->Run(nFrames);
}
void IPlugLV2Deactivate(LV2_Handle h) {
  if (IPlugLV2Instance* p = FromHandle(h)) p->Activate(false);
}
void IPlugLV2Cleanup(LV2_Handle h) {
  WDL_MutexLock lock(&InstanceCreationLock());
  delete FromHandle(h);
}
const void* IPlugLV2ExtensionData(const char* uri) {
  if (uri && !strcmp(uri, IPLUG_LV2_TTL_WRITER_URI)) return &kTtlWriter;
  if (uri && !strcmp(uri, LV2_STATE__interface)) return IPlugLV2StateInterface();
  return nullptr;
}
