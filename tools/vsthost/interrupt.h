// Ctrl-C and termination during a render: noted by a signal handler and checked
// between blocks, so the render stops cleanly and removes its temporary file.
#ifndef TOOLS_VSTHOST_INTERRUPT_H_
#define TOOLS_VSTHOST_INTERRUPT_H_

namespace vsthost {

void InstallInterruptHandlers();
bool InterruptRequested();

}  // namespace vsthost

#endif  // TOOLS_VSTHOST_INTERRUPT_H_
