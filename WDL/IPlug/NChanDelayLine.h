// NChanDelayLine: delays several channels by the same number of frames. The plug-in
// base runs the input through it while the host bypasses the plug-in, so the bypassed
// output stays aligned with the latency the plug-in reports.
//
// The buffer holds one region of delay-length samples per input channel, channel
// after channel; all channels share one write position. Sizing happens in SetDelay,
// never while a block is processed.
#ifndef IPLUG_NCHANDELAYLINE_H_
#define IPLUG_NCHANDELAYLINE_H_

#include <cstdint>
#include <cstring>

#include "heapbuf.h"

class NChanDelayLine {
 public:
  NChanDelayLine(int nInputChans, int nOutputChans)
      : mNInChans(nInputChans > 0 ? nInputChans : 0), mNOutChans(nOutputChans > 0 ? nOutputChans : 0) {}

  // Sets the delay in frames, sizes the buffer for it, zero-fills it and starts
  // writing at its beginning. Returns false (and delays by 0) when the buffer could
  // not be allocated or the size is negative.
  bool SetDelay(int delaySize) {
    mWriteAddress = 0;
    mDelaySize = 0;
    if (delaySize <= 0) {
      mBuffer.Resize(0);
      return delaySize == 0;
    }
    // Without input channels there is nothing to store, but the line still has its
    // length: bypass then runs the plug-in and leaves its output as it is.
    if (mNInChans == 0) {
      mBuffer.Resize(0);
      mDelaySize = static_cast<uint64_t>(delaySize);
      return true;
    }
    const int64_t total = static_cast<int64_t>(delaySize) * mNInChans;
    if (total > INT32_MAX / static_cast<int64_t>(sizeof(double)) || !mBuffer.Resize(static_cast<int>(total))) {
      mBuffer.Resize(0);
      return false;
    }
    memset(mBuffer.Get(), 0, static_cast<size_t>(total) * sizeof(double));
    mDelaySize = static_cast<uint64_t>(delaySize);
    return true;
  }

  // Stores nFrames of input without producing output (the processed path keeps the
  // line filled so that bypass starts from recent input).
  void Feed(double** inputs, int nFrames) {
    if (!Ready(inputs, nFrames)) return;
    const int nChans = CommonChans();
    double* buf = mBuffer.Get();
    for (int s = 0; s < nFrames; ++s) {
      for (int c = 0; c < nChans; ++c) buf[c * mDelaySize + mWriteAddress] = inputs[c][s];
      Advance();
    }
  }

  // For each frame and channel: writes the delayed sample to the output, then stores
  // the input in its place. Input and output may be the same buffers.
  void ProcessBlock(double** inputs, double** outputs, int nFrames) {
    if (!Ready(inputs, nFrames) || !outputs) return;
    const int nChans = CommonChans();
    double* buf = mBuffer.Get();
    for (int s = 0; s < nFrames; ++s) {
      for (int c = 0; c < nChans; ++c) {
        double* slot = buf + c * mDelaySize + mWriteAddress;
        const double in = inputs[c][s];
        outputs[c][s] = *slot;
        *slot = in;
      }
      Advance();
    }
  }

  uint64_t GetDelay() const { return mDelaySize; }
  int NInChans() const { return mNInChans; }
  int NOutChans() const { return mNOutChans; }

 private:
  bool Ready(double** inputs, int nFrames) const { return inputs && nFrames > 0 && mDelaySize > 0; }
  int CommonChans() const { return mNInChans < mNOutChans ? mNInChans : mNOutChans; }
  void Advance() {
    if (++mWriteAddress >= mDelaySize) mWriteAddress = 0;
  }

  WDL_TypedBuf<double> mBuffer;
  uint64_t mWriteAddress = 0;
  int mNInChans;
  int mNOutChans;
  uint64_t mDelaySize = 0;
};

#endif  // IPLUG_NCHANDELAYLINE_H_
