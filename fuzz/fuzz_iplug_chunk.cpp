// libFuzzer target for the state readers: the input is taken as a host's state chunk
// and read as a bank (after the framework header) and as a program state, its bytes
// are walked as texts, and it is decoded as a Base64 preset blob. Besides memory
// errors, it traps when a failed read changes anything or a value leaves its range.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz_plug.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1 << 16)) return 0;
  ByteChunk chunk;
  chunk.AppendBytes(data, static_cast<int>(size));

  FuzzPlug bankPlug;
  const std::string before = Snapshot(bankPlug);
  int pos = 0;
  IPlugBase::GetIPlugVerFromChunk(&chunk, &pos);
  const int bankEnd = bankPlug.UnserializePresets(&chunk, pos);
  if (bankEnd < 0 && Snapshot(bankPlug) != before) __builtin_trap();
  if (bankEnd > chunk.Size()) __builtin_trap();
  CheckRanges(bankPlug);

  FuzzPlug programPlug;
  const std::string programBefore = Snapshot(programPlug);
  if (programPlug.UnserializeState(&chunk, 0) < 0 && Snapshot(programPlug) != programBefore) __builtin_trap();
  CheckRanges(programPlug);

  WDL_String text;
  // A negative length may point the reader back or keep it in place, so the walk is
  // bounded here; every read must stay inside the chunk whatever the position.
  int at = 0;
  for (int steps = 0; steps <= chunk.Size() && at >= 0 && at < chunk.Size(); ++steps) {
    at = chunk.ReadString(&text, at);
    if (text.GetLength() > chunk.Size()) __builtin_trap();
  }

  // The same bytes as Base64 text, into a blob whose size the first byte picks.
  const std::string blobText(reinterpret_cast<const char*>(data), size);
  const int blobSize = size > 0 ? data[0] % 64 : 0;
  FuzzPlug freshPlug;
  freshPlug.MakePresetFromBlob("blob", blobText.c_str(), blobSize);
  const IPreset* blob = freshPlug.GetPreset(1);
  if (!blob || blob->mChunk.Size() != blobSize) __builtin_trap();
  return 0;
}
