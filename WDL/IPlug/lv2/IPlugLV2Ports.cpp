#include "IPlugLV2Ports.h"

#include "IPlugBase.h"

IPlugLV2Ports IPlugLV2Ports::For(IPlugBase* pPlug) {
  IPlugLV2Ports p;
  if (!pPlug) return p;
  uint32_t next = 0;
  p.nAudioIn = static_cast<uint32_t>(pPlug->NInChannels());
  p.nAudioOut = static_cast<uint32_t>(pPlug->NOutChannels());
  p.nParams = static_cast<uint32_t>(pPlug->NParams());
  p.firstAudioIn = next;
  next += p.nAudioIn;
  p.firstAudioOut = next;
  next += p.nAudioOut;
  p.firstParam = next;
  next += p.nParams;
  p.enabled = next++;
  if (pPlug->GetLatency() > 0) p.latency = next++;
  const int displayFloats = pPlug->DisplayDataSize();
  if (displayFloats > 0) {
    p.displayFloats = displayFloats;
    p.display = next++;
  }
  p.count = next;
  return p;
}
