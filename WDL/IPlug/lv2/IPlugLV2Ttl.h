// The bundle's Turtle files, written from a plug-in instance: its identity, channels,
// parameters (ranges, defaults, units, display texts) and presets, so that nothing
// describes them a second time by hand.
#ifndef IPLUG_LV2_TTL_H_
#define IPLUG_LV2_TTL_H_

#include <string>

class IPlugBase;

// The port symbol for a name: lower case, every other character "_", never starting
// with a digit, never empty. Symbols already in use get "_2", "_3", ... appended by
// the writer.
std::string IPlugLV2Symbol(const char* name);

// Writes manifest.ttl, <binary stem>.ttl and presets.ttl into folder (which exists).
// Restores the plug-in's presets one by one to read them, then the current one again.
// uiBinaryName may be null (no UI). False when a file could not be written.
bool IPlugLV2WriteBundleTtl(IPlugBase* pPlug, const char* pluginURI, const char* folder, const char* binaryName,
                            const char* uiBinaryName);

#endif  // IPLUG_LV2_TTL_H_
