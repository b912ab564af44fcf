#include "editor_picture.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "AtomicFile.h"
#include "ByteChunk.h"
#include "IPlugVST_editor_picture.h"

namespace vsthost {

namespace {

// Far beyond any editor's picture.
constexpr int kMaxPictureBytes = 256 << 20;

}  // namespace

bool EditorPicture::Supported(Plugin& plugin) {
  return plugin.HasFlag(effFlagsHasEditor) && plugin.Dispatch(effVendorSpecific, kVSTVendorEditorDraw, 1) == 1;
}

bool EditorPicture::Begin(Plugin* plugin, double sampleRate, std::string* error) {
  mPlugin = plugin;
  mPasses = 0;
  mFramesPerPass = sampleRate / kEditorFramesPerSecond;
  if (!plugin || !(mFramesPerPass > 0.0)) {
    *error = "no sample rate to time the editor's passes by";
    return false;
  }
  if (!plugin->HasFlag(effFlagsHasEditor)) {
    *error = "the plug-in has no editor to draw (--editor-png)";
    return false;
  }
  if (plugin->Dispatch(effVendorSpecific, kVSTVendorEditorDraw, 1) != 1) {
    *error = "the plug-in cannot draw its editor without a window (--editor-png)";
    return false;
  }
  return true;
}

void EditorPicture::AfterBlock(int64_t framesDone) {
  if (!mPlugin) return;
  // Pass k falls due at k * sampleRate / 25 frames; a long block may hold several.
  while (static_cast<double>(mPasses + 1) * mFramesPerPass <= static_cast<double>(framesDone)) {
    mPlugin->Dispatch(effVendorSpecific, kVSTVendorEditorDraw, 0);
    ++mPasses;
  }
}

bool EditorPicture::TakePng(std::vector<unsigned char>* png, std::string* error) {
  if (!mPlugin) {
    *error = "the editor was never drawn";
    return false;
  }
  const char* tmp = getenv("TMPDIR");
  std::string folder = std::string(tmp && *tmp ? tmp : "/tmp") + "/toneglass-host-picture-XXXXXX";
  if (!mkdtemp(&folder[0])) {
    *error = "cannot draw the editor picture: no temporary folder (" + std::string(strerror(errno)) + ")";
    return false;
  }
  const std::string file = folder + "/editor.png";
  bool ok = mPlugin->Dispatch(effVendorSpecific, kVSTVendorEditorPNG, 0, const_cast<char*>(file.c_str())) == 1;
  ByteChunk bytes;
  ok = ok && ReadWholeFile(file.c_str(), kMaxPictureBytes, &bytes);
  unlink(file.c_str());
  rmdir(folder.c_str());
  if (!ok) {
    *error = "the plug-in could not draw its editor picture";
    return false;
  }
  png->assign(bytes.GetBytes(), bytes.GetBytes() + bytes.Size());
  return true;
}

std::string EditorPicturePathBeside(const std::string& audioPath) {
  const size_t slash = audioPath.find_last_of('/');
  const size_t dot = audioPath.find_last_of('.');
  const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash + 1);
  return (hasExtension ? audioPath.substr(0, dot) : audioPath) + ".png";
}

}  // namespace vsthost
