// IPlugBase: the audio path. Scratch buffers, attaching the host's buffers in either
// precision, and running one block through the plug-in, processed or bypassed.
//
// Nothing here allocates unless the block size changes, and nothing reads or writes
// past a scratch buffer: where a scratch buffer takes part, a block is cut to the
// block size.
#include <cstring>

#include "IPlugBase.h"

// The precision conversions, also compiled for AVX2 and chosen by the processor when
// the library loads: a conversion rounds the same way at any vector width. Not under
// ThreadSanitizer: the loader runs the clones' resolvers before the sanitizer's runtime
// is up, and their instrumented entry crashes the process at start.
#if defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define IPLUG_NO_CONVERSION_CLONES 1
#endif
#endif
#if defined(__SANITIZE_THREAD__)
#define IPLUG_NO_CONVERSION_CLONES 1
#endif
#if defined(__x86_64__) && defined(__has_attribute) && !defined(IPLUG_NO_CONVERSION_CLONES)
#if __has_attribute(target_clones)
#define IPLUG_CONVERSION_CLONES __attribute__((target_clones("avx2", "default")))
#endif
#endif
#ifndef IPLUG_CONVERSION_CLONES
#define IPLUG_CONVERSION_CLONES
#endif

namespace {
IPLUG_CONVERSION_CLONES void FloatToDouble(const float* in, double* out, int n) {
  for (int s = 0; s < n; ++s) out[s] = in[s];
}
IPLUG_CONVERSION_CLONES void DoubleToFloat(const double* in, float* out, int n) {
  for (int s = 0; s < n; ++s) out[s] = static_cast<float>(in[s]);
}
IPLUG_CONVERSION_CLONES void AddDoubleToFloat(const double* in, float* out, int n) {
  for (int s = 0; s < n; ++s) out[s] += static_cast<float>(in[s]);
}
}  // namespace

void IPlugBase::ProcessDoubleReplacing(double** inputs, double** outputs, int nFrames) {
  if (!outputs || nFrames <= 0) return;
  const size_t bytes = static_cast<size_t>(nFrames) * sizeof(double);
  const int nIn = inputs ? NInChannels() : 0;
  for (int i = 0; i < NOutChannels(); ++i) {
    double* out = outputs[i];
    if (!out) continue;
    const double* in = i < nIn ? inputs[i] : nullptr;
    if (in) {
      if (in != out) memmove(out, in, bytes);
    } else {
      memset(out, 0, bytes);
    }
  }
}

// ---- Scratch buffers ------------------------------------------------------------------------

// Resizes one channel's scratch buffer to n zeros and keeps its slot valid: a slot
// that pointed at the scratch buffer follows it when the storage moves.
static bool ResizeScratch(WDL_TypedBuf<double>* scratch, double** slot, bool connected, int n) {
  const bool slotOnScratch = !connected || *slot == scratch->Get() || !*slot;
  scratch->Resize(n);
  const bool ok = scratch->GetSize() == n;
  if (scratch->Get()) memset(scratch->Get(), 0, static_cast<size_t>(scratch->GetSize()) * sizeof(double));
  if (slotOnScratch) *slot = scratch->Get();
  return ok;
}

void IPlugBase::SetBlockSize(int blockSize) {
  if (blockSize < 0) blockSize = 0;
  if (blockSize == mBlockSize) return;
  int smallest = blockSize;
  for (int i = 0; i < NInChannels(); ++i) {
    InChannel* ch = mInChannels.Get(i);
    ResizeScratch(&ch->mScratchBuf, ch->mSrc, ch->mConnected, blockSize);
    if (ch->mScratchBuf.GetSize() < smallest) smallest = ch->mScratchBuf.GetSize();
  }
  for (int i = 0; i < NOutChannels(); ++i) {
    OutChannel* ch = mOutChannels.Get(i);
    ResizeScratch(&ch->mScratchBuf, ch->mDest, ch->mConnected, blockSize);
    if (ch->mScratchBuf.GetSize() < smallest) smallest = ch->mScratchBuf.GetSize();
  }
  // Out of memory: the block size is what every scratch buffer really holds.
  mBlockSize = smallest;
}

void IPlugBase::ZeroScratchBuffers() {
  const size_t bytes = static_cast<size_t>(mBlockSize) * sizeof(double);
  for (int i = 0; i < NInChannels(); ++i) {
    if (double* p = mInChannels.Get(i)->mScratchBuf.Get()) memset(p, 0, bytes);
  }
  for (int i = 0; i < NOutChannels(); ++i) {
    if (double* p = mOutChannels.Get(i)->mScratchBuf.Get()) memset(p, 0, bytes);
  }
}

int IPlugBase::SafeFrameCount(int nFrames) const {
  if (nFrames <= 0) return 0;
  if (nFrames <= mBlockSize) return nFrames;
  for (int i = 0; i < NInChannels(); ++i) {
    const InChannel* ch = mInChannels.Get(i);
    if (!*ch->mSrc || *ch->mSrc == ch->mScratchBuf.Get()) return mBlockSize;
  }
  for (int i = 0; i < NOutChannels(); ++i) {
    const OutChannel* ch = mOutChannels.Get(i);
    if (!*ch->mDest || *ch->mDest == ch->mScratchBuf.Get()) return mBlockSize;
  }
  return nFrames;
}

// ---- Attaching the host's buffers -------------------------------------------------------------

void IPlugBase::AttachInputBuffers(int idx, int n, double** ppData) {
  int begin, end;
  CutChannelRange(idx, n, NInChannels(), &begin, &end);
  for (int i = begin; i < end && ppData; ++i) {
    InChannel* ch = mInChannels.Get(i);
    if (!ch->mConnected) continue;
    double* host = *ppData++;
    if (host) {
      *ch->mSrc = host;
    } else {
      // A host that hands over no buffer gets silence rather than a crash.
      double* scratch = ch->mScratchBuf.Get();
      if (scratch) memset(scratch, 0, static_cast<size_t>(ch->mScratchBuf.GetSize()) * sizeof(double));
      *ch->mSrc = scratch;
    }
  }
}

void IPlugBase::AttachInputBuffers(int idx, int n, float** ppData, int nFrames) {
  int begin, end;
  CutChannelRange(idx, n, NInChannels(), &begin, &end);
  if (nFrames < 0) nFrames = 0;
  for (int i = begin; i < end && ppData; ++i) {
    InChannel* ch = mInChannels.Get(i);
    if (!ch->mConnected) continue;
    const float* host = *ppData++;
    double* scratch = ch->mScratchBuf.Get();
    const int size = ch->mScratchBuf.GetSize();
    const int count = nFrames < size ? nFrames : size;
    if (scratch) {
      if (host) {
        FloatToDouble(host, scratch, count);
      } else {
        memset(scratch, 0, static_cast<size_t>(count) * sizeof(double));
      }
    }
    *ch->mSrc = scratch;
  }
}

void IPlugBase::AttachOutputBuffers(int idx, int n, double** ppData) {
  int begin, end;
  CutChannelRange(idx, n, NOutChannels(), &begin, &end);
  for (int i = begin; i < end && ppData; ++i) {
    OutChannel* ch = mOutChannels.Get(i);
    if (!ch->mConnected) continue;
    double* host = *ppData++;
    *ch->mDest = host ? host : ch->mScratchBuf.Get();
    ch->mFDest = nullptr;
  }
}

void IPlugBase::AttachOutputBuffers(int idx, int n, float** ppData) {
  int begin, end;
  CutChannelRange(idx, n, NOutChannels(), &begin, &end);
  for (int i = begin; i < end && ppData; ++i) {
    OutChannel* ch = mOutChannels.Get(i);
    if (!ch->mConnected) continue;
    *ch->mDest = ch->mScratchBuf.Get();
    ch->mFDest = *ppData++;
  }
}

// ---- Running a block ---------------------------------------------------------------------------

void IPlugBase::ProcessBuffers(double, int nFrames) {
  nFrames = SafeFrameCount(nFrames);
  if (mLatency != 0 && mDelay) mDelay->Feed(mInData.Get(), nFrames);
  ProcessDoubleReplacing(mInData.Get(), mOutData.Get(), nFrames);
}

void IPlugBase::ConvertOutputsToFloat(int nFrames, bool accumulate) {
  for (int i = 0; i < NOutChannels(); ++i) {
    OutChannel* ch = mOutChannels.Get(i);
    float* dest = ch->mFDest;
    const double* src = ch->mScratchBuf.Get();
    if (!ch->mConnected || !dest || !src) continue;
    const int count = nFrames < ch->mScratchBuf.GetSize() ? nFrames : ch->mScratchBuf.GetSize();
    if (accumulate) {
      AddDoubleToFloat(src, dest, count);
    } else {
      DoubleToFloat(src, dest, count);
    }
  }
}

void IPlugBase::ProcessBuffers(float, int nFrames) {
  nFrames = SafeFrameCount(nFrames);
  ProcessBuffers(0.0, nFrames);
  ConvertOutputsToFloat(nFrames, false);
}

void IPlugBase::ProcessBuffersAccumulating(float, int nFrames) {
  nFrames = SafeFrameCount(nFrames);
  ProcessBuffers(0.0, nFrames);
  ConvertOutputsToFloat(nFrames, true);
}

bool IPlugBase::DelayInputsAliasOutputs() const {
  int nDelayed = 0;
  if (mDelay) nDelayed = mDelay->NInChans() < mDelay->NOutChans() ? mDelay->NInChans() : mDelay->NOutChans();
  const double* const* ins = mInData.Get();
  const double* const* outs = mOutData.Get();
  for (int c = 0; c < nDelayed; ++c)
    for (int o = 0; o < NOutChannels(); ++o)
      if (ins[c] && ins[c] == outs[o]) return true;
  return false;
}

void IPlugBase::PassThroughBuffers(double, int nFrames) {
  nFrames = SafeFrameCount(nFrames);
  if (mLatency == 0 || !mDelay || mDelay->GetDelay() == 0) {
    IPlugBase::ProcessDoubleReplacing(mInData.Get(), mOutData.Get(), nFrames);
    return;
  }
  // The plug-in still sees the block (its analysis keeps running); the delay line then
  // overwrites the outputs with the delayed input.
  if (!DelayInputsAliasOutputs()) {
    ProcessDoubleReplacing(mInData.Get(), mOutData.Get(), nFrames);
    mDelay->ProcessBlock(mInData.Get(), mOutData.Get(), nFrames);
    return;
  }
  // In place, the plug-in's output would overwrite the input before the delay line reads
  // it: the plug-in writes into the output scratch buffers instead, piece by piece when
  // the host's block is longer than they are. Channels the delay line does not cover
  // keep the plug-in's output, as they do with separate buffers.
  const int nIn = NInChannels(), nOut = NOutChannels();
  const int nDelayed = mDelay->NInChans() < mDelay->NOutChans() ? mDelay->NInChans() : mDelay->NOutChans();
  double** ins = mInData.Get();
  double** outs = mOutData.Get();
  double** pieceIn = mBypassData.Get();
  double** pieceOut = pieceIn + nIn;
  if (mBypassData.GetSize() < nIn + nOut || mBlockSize <= 0) {
    // No room for the plug-in's output: the bypassed signal matters more than its analysis.
    mDelay->ProcessBlock(ins, outs, nFrames);
    return;
  }
  for (int done = 0; done < nFrames; done += mBlockSize) {
    const int n = nFrames - done < mBlockSize ? nFrames - done : mBlockSize;
    const size_t bytes = static_cast<size_t>(n) * sizeof(double);
    for (int c = 0; c < nIn; ++c) pieceIn[c] = ins[c] + done;
    for (int c = 0; c < nOut; ++c) pieceOut[c] = mOutChannels.Get(c)->mScratchBuf.Get();
    ProcessDoubleReplacing(pieceIn, pieceOut, n);
    for (int c = 0; c < nOut; ++c) {
      double* dest = outs[c] + done;
      if (c >= nDelayed && dest != pieceOut[c]) memmove(dest, pieceOut[c], bytes);
      pieceOut[c] = dest;
    }
    mDelay->ProcessBlock(pieceIn, pieceOut, n);
  }
}

void IPlugBase::PassThroughBuffers(float, int nFrames) {
  nFrames = SafeFrameCount(nFrames);
  PassThroughBuffers(0.0, nFrames);
  ConvertOutputsToFloat(nFrames, false);
}
