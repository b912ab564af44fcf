// The editor's picture from a render: while audio runs, the plug-in's editor is drawn
// without a window at its frame rate in audio time (one pass every sampleRate / 25
// frames), so what moves with time (a falling peak hold, say) moves as a user would
// see it; at the end the editor is written as a PNG. Plug-ins built on our framework
// answer the vendor-specific requests in IPlugVST_editor_picture.h; others answer 0.
#ifndef TOOLS_VSTHOST_EDITOR_PICTURE_H_
#define TOOLS_VSTHOST_EDITOR_PICTURE_H_

#include <cstdint>
#include <string>
#include <vector>

#include "plugin.h"
#include "render_observer.h"

namespace vsthost {

// The editor frame rate the passes are timed by.
constexpr int kEditorFramesPerSecond = 25;
// Below this rate a picture is refused: each pass draws the editor, and at a handful
// of hertz a few seconds of audio would ask for thousands of passes per frame.
constexpr double kMinPictureSampleRate = 1000.0;

class EditorPicture : public RenderObserver {
 public:
  // Whether the plug-in can draw its editor without a window.
  static bool Supported(Plugin& plugin);

  // Draws the editor once as it opens (before any audio). False with a one-line
  // reason when the plug-in cannot draw it.
  bool Begin(Plugin* plugin, double sampleRate, std::string* error);
  // Runs every pass that fell due up to framesDone.
  void AfterBlock(int64_t framesDone) override;
  // The editor as it looks now, as PNG bytes. The plug-in writes them into a private
  // temporary folder; the tool's own writer takes them to their target. False with a
  // one-line reason (nothing left behind).
  bool TakePng(std::vector<unsigned char>* png, std::string* error);

  int64_t Passes() const { return mPasses; }

 private:
  Plugin* mPlugin = nullptr;
  double mFramesPerPass = 0.0;
  int64_t mPasses = 0;
};

// OUT's name with its extension replaced by .png (appended when it has none).
std::string EditorPicturePathBeside(const std::string& audioPath);

}  // namespace vsthost

#endif  // TOOLS_VSTHOST_EDITOR_PICTURE_H_
