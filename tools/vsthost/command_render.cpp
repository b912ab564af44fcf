#include "commands.h"
#include "render_job.h"
#include "sound_file_source.h"

namespace vsthost {

bool RunRender(const Options& options, std::string* error) {
  SoundFileSource source;
  if (!source.Open(options.inPath, error)) return false;
  return RunRenderJob(options, source, options.assignments, error);
}

}  // namespace vsthost
