// The VST 2 processing and parameter callbacks: the host's audio thread enters here.
// Every callback holds the instance mutex for its whole run; none allocates, except
// when a block longer than any before grows the scratch buffers (once).
#include <cstring>

#include "IPlugVST.h"
#include "Log.h"

// ---- Processing ---------------------------------------------------------------------------

template <class T>
bool IPlugVST::HostBuffersUsable(T** inputs, T** outputs) const {
  int nIn = 0, nOut = 0;
  for (int i = 0; i < NInChannels(); ++i) nIn += IsInChannelConnected(i) ? 1 : 0;
  for (int i = 0; i < NOutChannels(); ++i) nOut += IsOutChannelConnected(i) ? 1 : 0;
  if ((nIn && !inputs) || (nOut && !outputs)) return false;
  for (int i = 0; i < nIn; ++i)
    if (!inputs[i]) return false;
  for (int i = 0; i < nOut; ++i)
    if (!outputs[i]) return false;
  return true;
}

template <class T>
void IPlugVST::ProcessPiece(T** inputs, T** outputs, int nFrames, bool replacing) {
  AttachHostInputs(inputs, nFrames);
  AttachOutputBuffers(0, NOutChannels(), outputs);
  const T sampleType = 0;
  if (!replacing) {
    ProcessBuffersAccumulating(sampleType, nFrames);
  } else if (GetBypassed()) {
    PassThroughBuffers(sampleType, nFrames);
  } else {
    ProcessBuffers(sampleType, nFrames);
  }
}

// A block with a channel missing is not processed at all: every output the host did
// hand over gets silence, so that it never plays what its buffers held before. The
// accumulating callback adds that silence, which leaves its outputs as they are.
template <class T>
void IPlugVST::SilenceHostOutputs(T** outputs, int nFrames) const {
  if (!outputs) return;
  int nOut = 0;
  for (int i = 0; i < NOutChannels(); ++i) nOut += IsOutChannelConnected(i) ? 1 : 0;
  for (int i = 0; i < nOut; ++i)
    if (outputs[i]) memset(outputs[i], 0, static_cast<size_t>(nFrames) * sizeof(T));
}

template <class T>
void IPlugVST::ProcessBlock(T** inputs, T** outputs, int nFrames, bool replacing) {
  if (nFrames <= 0) return;
  if (!HostBuffersUsable(inputs, outputs)) {
    if (replacing) SilenceHostOutputs(outputs, nFrames);
    return;
  }
  if (DoesMIDI() && mHostCallback) mHostCallback(&mAEffect, audioMasterWantMidi, 0, 0, nullptr, 0.0f);

  const int blockSize = GetBlockSize();
  if (nFrames <= blockSize) {
    ProcessPiece(inputs, outputs, nFrames, replacing);
    return;
  }
  if (blockSize <= 0) return;
  // Still longer than the scratch buffers (the accumulating callback never grows them,
  // and growing can fail): run the block in pieces through pointer arrays made at
  // construction, so nothing overflows and nothing is allocated here.
  int nIn = 0, nOut = 0;
  for (int i = 0; i < NInChannels(); ++i) nIn += IsInChannelConnected(i) ? 1 : 0;
  for (int i = 0; i < NOutChannels(); ++i) nOut += IsOutChannelConnected(i) ? 1 : 0;
  WDL_TypedBuf<T*>& arrays = PieceArrays<T>();
  if (arrays.GetSize() < nIn + nOut) return;
  T** pieceIn = arrays.Get();
  T** pieceOut = pieceIn + nIn;
  for (int done = 0; done < nFrames; done += blockSize) {
    const int n = nFrames - done < blockSize ? nFrames - done : blockSize;
    for (int i = 0; i < nIn; ++i) pieceIn[i] = inputs[i] + done;
    for (int i = 0; i < nOut; ++i) pieceOut[i] = outputs[i] + done;
    ProcessPiece(pieceIn, pieceOut, n, replacing);
  }
}

template <>
WDL_TypedBuf<float*>& IPlugVST::PieceArrays<float>() {
  return mPieceFloat;
}
template <>
WDL_TypedBuf<double*>& IPlugVST::PieceArrays<double>() {
  return mPieceDouble;
}

void IPlugVST::VSTProcess(AEffect* pEffect, float** inputs, float** outputs, VstInt32 nFrames) {
  IPlugVST* _this = FromEffect(pEffect);
  if (!_this) return;
  WDL_MutexLock lock(&_this->mMutex);
  _this->ProcessBlock(inputs, outputs, nFrames, false);
}

// Grows the block size (and resets the plug-in) for a block longer than any before.
// The trace record carries the callback's name as its tag.
#define VST_GROW_BLOCK_SIZE(TAG)                                                 \
  if (nFrames > _this->GetBlockSize()) {                                         \
    Trace(TAG, __LINE__, "FrameSize > BlockSize %d > %d", static_cast<int>(nFrames), \
          _this->GetBlockSize());                                                \
    _this->SetBlockSize(nFrames);                                                \
    _this->Reset();                                                              \
  }

void IPlugVST::VSTProcessReplacing(AEffect* pEffect, float** inputs, float** outputs, VstInt32 nFrames) {
  IPlugVST* _this = FromEffect(pEffect);
  if (!_this) return;
  WDL_MutexLock lock(&_this->mMutex);
  VST_GROW_BLOCK_SIZE("VSTProcessReplacing")
  _this->ProcessBlock(inputs, outputs, nFrames, true);
}

void IPlugVST::VSTProcessDoubleReplacing(AEffect* pEffect, double** inputs, double** outputs,
                                         VstInt32 nFrames) {
  IPlugVST* _this = FromEffect(pEffect);
  if (!_this) return;
  WDL_MutexLock lock(&_this->mMutex);
  VST_GROW_BLOCK_SIZE("VSTProcessDoubleReplacing")
  _this->ProcessBlock(inputs, outputs, nFrames, true);
}

#undef VST_GROW_BLOCK_SIZE

// ---- Parameter callbacks ------------------------------------------------------------------

float IPlugVST::VSTGetParameter(AEffect* pEffect, VstInt32 idx) {
  Trace(TRACELOC, "%d", idx);
  IPlugVST* _this = FromEffect(pEffect);
  if (!_this) return 0.0f;
  WDL_MutexLock lock(&_this->mMutex);
  if (!_this->IsHostParamIdx(idx)) return 0.0f;
  return static_cast<float>(_this->GetParam(idx)->GetNormalized());
}

void IPlugVST::VSTSetParameter(AEffect* pEffect, VstInt32 idx, float value) {
  Trace(TRACELOC, "%d:%f", idx, static_cast<double>(value));
  IPlugVST* _this = FromEffect(pEffect);
  if (!_this) return;
  WDL_MutexLock lock(&_this->mMutex);
  if (!_this->IsHostParamIdx(idx)) return;
  if (_this->GetEditor()) _this->GetEditor()->SetParameterFromPlug(idx, value, true);
  _this->GetParam(idx)->SetNormalized(value);
  _this->OnParamChange(idx);
}
