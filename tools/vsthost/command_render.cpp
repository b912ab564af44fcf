#include <sys/stat.h>

#include "commands.h"
#include "render_job.h"
#include "sound_file_source.h"

namespace vsthost {

namespace {

// The output replaces its file only once complete, but the input would then be lost:
// refuse OUT when it is IN under any name (the same path, a link, another hard link).
bool SameFile(const std::string& a, const std::string& b) {
  struct stat sa, sb;
  return stat(a.c_str(), &sa) == 0 && stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
         sa.st_ino == sb.st_ino;
}

}  // namespace

bool RunRender(const Options& options, std::string* error) {
  if (SameFile(options.inPath, options.outPath)) {
    *error = "render: '" + options.outPath +
             "' is the input file itself; the output would replace it (choose another OUT)";
    return false;
  }
  SoundFileSource source;
  if (!source.Open(options.inPath, error)) return false;
  return RunRenderJob(options, source, options.assignments, error);
}

}  // namespace vsthost
