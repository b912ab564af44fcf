// Ctrl-C, termination, crashes and a plug-in that ends the process during a render.
// A first Ctrl-C or termination is noted and checked between blocks, so the render
// stops cleanly; a second one, a plug-in that does not return within a second of the
// first, a crash inside the plug-in, or a plug-in that calls exit() removes the
// temporary output files and says what happened (which call, which block) before the
// process ends, so no partial file is ever left behind and no such end looks like
// success.
#ifndef TOOLS_VSTHOST_INTERRUPT_H_
#define TOOLS_VSTHOST_INTERRUPT_H_

#include <cstdint>

namespace vsthost {

void InstallInterruptHandlers();
bool InterruptRequested();

// The outputs whose temporary files may exist at once.
enum AbortFileSlot { kAbortAudio = 0, kAbortPicture = 1, kAbortPreset = 2, kAbortSlots = 3 };

// The file to delete in `slot` if the process has to end abruptly; null or "" for
// none. The path is copied (it must be shorter than 4096 bytes, longer ones are not
// registered).
void SetFileToRemoveOnAbort(int slot, const char* path);

// Marks the time spent inside the plug-in: `call` (a literal, such as
// "processReplacing") and the block it processes (0 outside the render). The previous
// mark comes back when the scope ends.
class PluginCallScope {
 public:
  PluginCallScope(const char* call, int64_t block);
  ~PluginCallScope();
  PluginCallScope(const PluginCallScope&) = delete;
  PluginCallScope& operator=(const PluginCallScope&) = delete;

 private:
  const char* mPreviousCall;
  int64_t mPreviousBlock;
};

}  // namespace vsthost

#endif  // TOOLS_VSTHOST_INTERRUPT_H_
