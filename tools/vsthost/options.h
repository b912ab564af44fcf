// The command line: which command, its files, and the settings shared by all commands.
#ifndef TOOLS_VSTHOST_OPTIONS_H_
#define TOOLS_VSTHOST_OPTIONS_H_

#include <string>
#include <vector>

namespace vsthost {

enum class Command { kHelp, kVersion, kInfo, kRender, kDemo };
enum class Precision { kDouble, kSingle };
enum class OutputFormat { kFloat, kPcm16, kPcm24 };

// One --set NAME=VALUE (plain value, through the plug-in's text conversion) or
// --set-normalized INDEX=V, kept in command-line order.
struct ParamAssignment {
  bool normalized = false;
  std::string key;
  std::string value;
};

constexpr int kDefaultBlockSize = 512;
constexpr int kMaxBlockSize = 65536;
constexpr const char* kDefaultDemoOutput = "toneglass-demo.wav";

struct Options {
  Command command = Command::kHelp;
  std::string pluginPath;  // empty: the default plug-in
  std::string inPath;
  std::string outPath;
  int blockSize = kDefaultBlockSize;
  Precision precision = Precision::kDouble;
  OutputFormat format = OutputFormat::kFloat;
  std::vector<ParamAssignment> assignments;
  std::string editorPngPath;  // --editor-png: the editor's picture after render or demo
  std::string loadPresetPath;  // --load-preset: applied before the assignments
  std::string savePresetPath;  // --save-preset: written after them, once the command succeeded
  bool force = false;          // --force: replace write-protected output files
  bool noClip = false;         // --no-clip: refuse integer output that would clip
};

// Parses argv. False with a one-line reason for anything it does not accept.
bool ParseOptions(int argc, const char* const* argv, Options* options, std::string* error);

// The line --version prints.
const char* VersionText();

// The text --help prints.
const char* UsageText();

}  // namespace vsthost

#endif  // TOOLS_VSTHOST_OPTIONS_H_
