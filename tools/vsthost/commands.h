// The three commands. Each returns true on success, or false with a one-line reason.
#ifndef TOOLS_VSTHOST_COMMANDS_H_
#define TOOLS_VSTHOST_COMMANDS_H_

#include <string>

#include "options.h"

namespace vsthost {

bool RunInfo(const Options& options, std::string* error);
bool RunRender(const Options& options, std::string* error);
bool RunDemo(const Options& options, std::string* error);

}  // namespace vsthost

#endif  // TOOLS_VSTHOST_COMMANDS_H_
