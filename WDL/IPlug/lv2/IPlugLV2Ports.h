// What the LV2 plug-in binary, its UI binary and the TTL writer agree on: the order of
// the ports and the URIs of the framework's own LV2 terms. Neither side needs the other's
// libraries to read it.
//
// Port order, derived from the plug-in base alone (nothing is listed by hand):
//   audio inputs, audio outputs, one control input per parameter (plain units),
//   "enabled" (the host's bypass), the latency output (only for a plug-in that has
//   latency), the display output (atom events; only for a plug-in with display data).
#ifndef IPLUG_LV2_PORTS_H_
#define IPLUG_LV2_PORTS_H_

#include <cstdint>

class IPlugBase;

// Bytes the display output's buffer needs for one frame of nFloats values with its header.
constexpr int IPlugLV2DisplayBufferBytes(int nFloats) { return 256 + 4 * nFloats; }

struct IPlugLV2Ports {
  static constexpr uint32_t kNone = 0xFFFFFFFFu;

  uint32_t nAudioIn = 0, nAudioOut = 0, nParams = 0;
  uint32_t firstAudioIn = 0, firstAudioOut = 0, firstParam = 0;
  uint32_t enabled = kNone, latency = kNone, display = kNone;
  uint32_t count = 0;
  int displayFloats = 0;  // values per display frame (0: no display port)

  // The layout for a plug-in instance's channels, parameters, latency and display data.
  static IPlugLV2Ports For(IPlugBase* pPlug);

  // The parameter a port carries, or -1 when the port is no parameter's.
  int ParamOfPort(uint32_t port) const {
    return port >= firstParam && port < firstParam + nParams ? static_cast<int>(port - firstParam) : -1;
  }
  uint32_t PortOfParam(int paramIdx) const { return firstParam + static_cast<uint32_t>(paramIdx); }
};

// The framework's own LV2 terms, below the plug-in's URI: the display frame an atom
// object of this type carries, and its two properties (the engine's sample rate as an
// atom:Float, the values as an atom:Vector of atom:Float).
#define IPLUG_LV2_DISPLAY_FRAME_SUFFIX "#DisplayFrame"
#define IPLUG_LV2_SAMPLE_RATE_SUFFIX "#sampleRate"
#define IPLUG_LV2_DISPLAY_VALUES_SUFFIX "#displayValues"
// The UI's URI and the preset URIs are the plug-in's with these suffixes.
#define IPLUG_LV2_UI_SUFFIX "#ui"
#define IPLUG_LV2_PRESET_SUFFIX "#preset"

// Extension data of the plug-in binary, for the build-time TTL writer only: writes the
// bundle's manifest.ttl, the plug-in's TTL and its presets' TTL into an existing folder.
#define IPLUG_LV2_TTL_WRITER_URI "urn:toneglass-framework:lv2:ttl-writer"
struct IPlugLV2TtlWriter {
  // False when a file could not be written. binaryName / uiBinaryName are the file names
  // of the plug-in and UI shared objects inside the bundle (uiBinaryName may be null).
  bool (*write)(void* instance, const char* folder, const char* binaryName, const char* uiBinaryName);
};

#endif  // IPLUG_LV2_PORTS_H_
