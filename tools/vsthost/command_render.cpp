#include "commands.h"
#include "output_paths.h"
#include "render_job.h"
#include "sound_file_source.h"

namespace vsthost {

bool RunRender(const Options& options, std::string* error) {
  // Before anything is read: an output that is an input under any name would destroy it.
  if (!CheckDistinctFiles(options, PluginPathFor(options), error)) return false;
  SoundFileSource source;
  if (!source.Open(options.inPath, error)) return false;
  return RunRenderJob(options, source, options.assignments, error);
}

}  // namespace vsthost
