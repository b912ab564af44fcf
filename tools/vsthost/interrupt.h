// Ctrl-C, termination and crashes during a render. A first Ctrl-C or termination is
// noted and checked between blocks, so the render stops cleanly; a second one, or a
// crash inside the plug-in, removes the temporary output file before the process ends,
// so no partial file is ever left behind.
#ifndef TOOLS_VSTHOST_INTERRUPT_H_
#define TOOLS_VSTHOST_INTERRUPT_H_

namespace vsthost {

void InstallInterruptHandlers();
bool InterruptRequested();

// The file to delete if the process has to end abruptly; null for none. The path is
// copied (it must be shorter than 4096 bytes, longer ones are not registered).
void SetFileToRemoveOnAbort(const char* path);

}  // namespace vsthost

#endif  // TOOLS_VSTHOST_INTERRUPT_H_
