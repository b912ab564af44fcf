#include "Hosts.h"

#include <cstring>

#include "IPlugStructs.h"

namespace {

struct HostKey {
  const char* key;
  EHost host;
};

// Searched in this order; the first key that occurs wins, so the order settles
// product texts that contain more than one key.
const HostKey kHostKeys[] = {
    {"cubase", kHostCubase},
    {"reaper", kHostReaper},
    {"nuendo", kHostNuendo},
    {"cakewalk", kHostSonar},
    {"samplitude", kHostSamplitude},
    {"fruity", kHostFL},
    {"live", kHostAbletonLive},
    {"melodyne", kHostMelodyne},
    {"vstmanlib", kHostVSTScanner},
    {"aulab", kHostAULab},
    {"garageband", kHostGarageBand},
    {"forte", kHostForte},
    {"chainer", kHostChainer},
    {"audition", kHostAudition},
    {"orion", kHostOrion},
    {"sawstudio", kHostSAWStudio},
    {"logic", kHostLogic},
    {"digital", kHostDigitalPerformer},
    {"audiomulch", kHostAudioMulch},
    {"presonus", kHostStudioOne},
    {"vst3plugintesthost", kHostVST3TestHost},
    {"protools", kHostProTools},
    {"ardour", kHostArdour},
    {"standalone", kHostStandalone},
    {"wavelab", kHostWavelab},
    {"reason", kHostReason},
    {"gwvst", kHostGWVST},
};

// Display names for 1..28, indexed by value; null where the value has none.
const char* const kHostNames[] = {
    nullptr,      "Reaper",      "ProTools",   "Cubase",     "Nuendo",     "Sonar",
    "Vegas",      "FLStudio",    "Samplitude", "Live",       nullptr,      nullptr,
    nullptr,      "VSTScanner",  "AULab",      "Forte",      "Chainer",    "Audition",
    "Orion",      nullptr,       "SAWStudio",  "Logic",      "GarageBand", "DigitalPerformer",
    "Standalone", "AudioMulch",  "StudioOne",  "VST3PluginTestHost", "Ardour",
};
const int kNumHostNames = static_cast<int>(sizeof(kHostNames) / sizeof(kHostNames[0]));

const int kProductTextSize = 256;

}  // namespace

EHost LookUpHost(const char* productText) {
  if (!productText) return kHostUnknown;
  char lower[kProductTextSize];
  ToLower(lower, productText, sizeof(lower));
  for (const HostKey& k : kHostKeys) {
    if (strstr(lower, k.key)) return k.host;
  }
  return kHostUnknown;
}

void GetHostNameStr(EHost host, char* out) { GetHostNameStr(host, out, MAX_HOST_NAME_LEN); }

void GetHostNameStr(EHost host, char* out, int outSize) {
  const int idx = static_cast<int>(host);
  const char* name = idx > 0 && idx < kNumHostNames ? kHostNames[idx] : nullptr;
  CopyTextTruncated(out, name ? name : "Unknown", outSize);
}

void ToLower(char* out, const char* in) {
  if (!out) return;
  if (!in) in = "";
  ToLower(out, in, static_cast<int>(strlen(in)) + 1);
}

void ToLower(char* out, const char* in, int outSize) {
  if (!out || outSize < 1) return;
  if (!in) in = "";
  int i = 0;
  for (; i < outSize - 1 && in[i]; ++i) {
    const char c = in[i];
    out[i] = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
  }
  out[i] = 0;
}
