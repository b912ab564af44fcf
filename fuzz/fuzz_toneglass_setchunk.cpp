// libFuzzer target for state chunks as a host hands them to Toneglass: through the VST 2
// entry point and the dispatcher's effSetChunk, as a program (index 1) or a bank (index 0).
// The first input byte picks the kind and how the instance is prepared (parameters moved,
// program renamed); the rest is the chunk, passed in a buffer of exactly its size.
//
// After each set the target does what a host does next: takes both chunks, hands an
// accepted chunk's result back, processes a short block in single and double precision.
// Besides memory errors and undefined behaviour, it traps when
//   - a refused chunk changed the program or bank chunk the plug-in gives,
//   - a chunk the plug-in just gave is refused or does not reproduce itself,
//   - a parameter leaves 0..1 or the output is not finite.
// FUZZ_WRITE_SEEDS=<folder> writes the plug-in's own chunks there as seeds and exits.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "aeffectx.h"

extern "C" AEffect* VSTPluginMain(audioMasterCallback hostCallback);

namespace {

VstIntPtr HostCallback(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
  return opcode == audioMasterVersion ? kVstVersion : 0;
}

VstIntPtr Dispatch(AEffect* e, VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                   float opt = 0.0f) {
  return e->dispatcher(e, opcode, index, value, ptr, opt);
}

// The chunk of the given kind, copied out of the plug-in's buffer; empty when refused.
std::vector<uint8_t> GetChunk(AEffect* e, int isPreset) {
  void* ptr = nullptr;
  const VstIntPtr size = Dispatch(e, effGetChunk, isPreset, 0, &ptr);
  if (size <= 0 || !ptr) return {};
  const uint8_t* bytes = static_cast<const uint8_t*>(ptr);
  return std::vector<uint8_t>(bytes, bytes + size);
}

AEffect* Open() {
  AEffect* e = VSTPluginMain(HostCallback);
  if (!e || e->magic != kEffectMagic) abort();
  Dispatch(e, effOpen);
  Dispatch(e, effSetSampleRate, 0, 0, nullptr, 48000.0f);
  Dispatch(e, effSetBlockSize, 0, 64);
  Dispatch(e, effMainsChanged, 0, 1);
  return e;
}

// Moves the instance away from its defaults as the mode bits say, so that a refused
// chunk has something to leave alone.
void Prepare(AEffect* e, uint8_t mode) {
  if (mode & 2)
    for (int i = 0; i < e->numParams; ++i) e->setParameter(e, i, float((i * 37 + mode) % 101) / 100.0f);
  if (mode & 4) {
    char name[] = "Renamed";
    Dispatch(e, effSetProgramName, 0, 0, name);
  }
}

template <class T>
void ProcessBlock(AEffect* e, bool doublePrecision) {
  constexpr int kFrames = 64;
  T in[2][kFrames], out[2][kFrames];
  for (int i = 0; i < kFrames; ++i) {
    in[0][i] = T(std::sin(0.3 * i));
    in[1][i] = T(std::cos(0.2 * i));
  }
  T* ins[2] = {in[0], in[1]};
  T* outs[2] = {out[0], out[1]};
  if (doublePrecision)
    e->processDoubleReplacing(e, reinterpret_cast<double**>(ins), reinterpret_cast<double**>(outs), kFrames);
  else
    e->processReplacing(e, reinterpret_cast<float**>(ins), reinterpret_cast<float**>(outs), kFrames);
  for (int c = 0; c < 2; ++c)
    for (int i = 0; i < kFrames; ++i)
      if (!std::isfinite(out[c][i])) __builtin_trap();
}

void WriteSeeds(const char* folder) {
  for (uint8_t mode : {0, 6}) {
    AEffect* e = Open();
    Prepare(e, mode);
    for (int isPreset : {0, 1}) {
      const std::vector<uint8_t> chunk = GetChunk(e, isPreset);
      const std::string path = std::string(folder) + "/" + (isPreset ? "program" : "bank") + "_" +
                               std::to_string(mode) + ".bin";
      FILE* fp = fopen(path.c_str(), "wb");
      if (!fp) abort();
      const uint8_t first = uint8_t(isPreset | mode);
      fwrite(&first, 1, 1, fp);
      fwrite(chunk.data(), 1, chunk.size(), fp);
      fclose(fp);
    }
    Dispatch(e, effClose);
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  if (const char* folder = getenv("FUZZ_WRITE_SEEDS")) {
    WriteSeeds(folder);
    exit(0);
  }
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1 || size > (1 << 16)) return 0;
  const uint8_t mode = data[0];
  const int isPreset = mode & 1;
  // One instance for the whole run (making one per input costs far more than the rest),
  // brought back to its first state through its own bank chunk before each input.
  static AEffect* e = Open();
  static const std::vector<uint8_t> fresh = GetChunk(e, 0);
  std::vector<uint8_t> reset = fresh;
  if (!Dispatch(e, effSetChunk, 0, VstIntPtr(reset.size()), reset.data()) || GetChunk(e, 0) != fresh)
    __builtin_trap();
  Prepare(e, mode);
  const std::vector<uint8_t> programBefore = GetChunk(e, 1);
  const std::vector<uint8_t> bankBefore = GetChunk(e, 0);
  if (programBefore.empty() || bankBefore.empty()) __builtin_trap();

  // The host's buffer holds exactly the chunk, so a read past its end is caught.
  std::vector<uint8_t> chunk(data + 1, data + size);
  const VstIntPtr accepted = Dispatch(e, effSetChunk, isPreset, VstIntPtr(chunk.size()), chunk.data());

  const std::vector<uint8_t> program = GetChunk(e, 1);
  const std::vector<uint8_t> bank = GetChunk(e, 0);
  if (program.empty() || bank.empty()) __builtin_trap();
  if (!accepted && (program != programBefore || bank != bankBefore)) __builtin_trap();
  if (accepted) {
    // What the plug-in gives after loading must load again and give the same.
    std::vector<uint8_t> again = isPreset ? program : bank;
    if (!Dispatch(e, effSetChunk, isPreset, VstIntPtr(again.size()), again.data())) __builtin_trap();
    if (GetChunk(e, isPreset) != (isPreset ? program : bank)) __builtin_trap();
  }
  for (int i = 0; i < e->numParams; ++i) {
    const float v = e->getParameter(e, i);
    if (!(v >= 0.0f && v <= 1.0f)) __builtin_trap();
  }
  ProcessBlock<float>(e, false);
  ProcessBlock<double>(e, true);
  return 0;
}
