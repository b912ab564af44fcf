#include "options.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "preset_file.h"

namespace vsthost {

namespace {

bool ParseBlockSize(const std::string& text, int* out, std::string* error) {
  errno = 0;
  char* end = nullptr;
  const long n = strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || errno != 0 || n < 1 || n > kMaxBlockSize) {
    *error =
        "--block wants a whole number from 1 to " + std::to_string(kMaxBlockSize) + ", not '" + text + "'";
    return false;
  }
  *out = static_cast<int>(n);
  return true;
}

bool ParseAssignment(const std::string& option, const std::string& text, bool normalized,
                     std::vector<ParamAssignment>* out, std::string* error) {
  const size_t eq = text.find('=');
  if (eq == std::string::npos || eq == 0 || eq + 1 == text.size()) {
    *error = option + " wants " + (normalized ? "INDEX=V" : "NAME=VALUE") + ", not '" + text + "'";
    return false;
  }
  ParamAssignment a;
  a.normalized = normalized;
  a.key = text.substr(0, eq);
  a.value = text.substr(eq + 1);
  out->push_back(a);
  return true;
}

bool ParsePresetPath(const std::string& option, const std::string& path, Options* options, std::string* error) {
  if (path.empty()) {
    *error = option + " needs a file name";
    return false;
  }
  if (option == "--load-preset") {
    options->loadPresetPath = path;
    return true;
  }
  if (PresetFormatForName(path) == PresetFormat::kNone) {
    *error = "--save-preset wants a file name ending in .fxp or .xml, not '" + path + "'";
    return false;
  }
  options->savePresetPath = path;
  return true;
}

// Options that take a value accept both "--opt value" and "--opt=value".
bool TakesValue(const std::string& name) {
  return name == "--plugin" || name == "--block" || name == "--precision" || name == "--format" ||
         name == "--set" || name == "--set-normalized" || name == "--editor-png" ||
         name == "--load-preset" || name == "--save-preset";
}

}  // namespace

bool ParseOptions(int argc, const char* const* argv, Options* options, std::string* error) {
  *options = Options();
  std::vector<std::string> positional;
  bool optionsEnded = false;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
      positional.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    if (arg == "--help" || arg == "-h") {
      options->command = Command::kHelp;
      return true;
    }
    if (arg == "--version") {
      options->command = Command::kVersion;
      return true;
    }
    if (arg == "--force") {
      options->force = true;
      continue;
    }
    if (arg == "--no-clip") {
      options->noClip = true;
      continue;
    }
    std::string name = arg;
    std::string value;
    bool hasValue = false;
    const size_t eq = arg.find('=');
    if (arg.compare(0, 2, "--") == 0 && eq != std::string::npos) {
      name = arg.substr(0, eq);
      value = arg.substr(eq + 1);
      hasValue = true;
    }
    if (!TakesValue(name)) {
      *error = "unknown option '" + arg + "' (see --help)";
      return false;
    }
    if (!hasValue) {
      if (i + 1 >= argc) {
        *error = name + " needs a value";
        return false;
      }
      value = argv[++i];
    }
    if (name == "--plugin") {
      if (value.empty()) {
        *error = "--plugin needs a path";
        return false;
      }
      options->pluginPath = value;
    } else if (name == "--block") {
      if (!ParseBlockSize(value, &options->blockSize, error)) return false;
    } else if (name == "--precision") {
      if (value == "double") {
        options->precision = Precision::kDouble;
      } else if (value == "single") {
        options->precision = Precision::kSingle;
      } else {
        *error = "--precision wants single or double, not '" + value + "'";
        return false;
      }
    } else if (name == "--format") {
      if (value == "float") {
        options->format = OutputFormat::kFloat;
      } else if (value == "pcm16") {
        options->format = OutputFormat::kPcm16;
      } else if (value == "pcm24") {
        options->format = OutputFormat::kPcm24;
      } else {
        *error = "--format wants float, pcm16 or pcm24, not '" + value + "'";
        return false;
      }
    } else if (name == "--editor-png") {
      if (value.empty()) {
        *error = "--editor-png needs a file name";
        return false;
      }
      options->editorPngPath = value;
    } else if (name == "--load-preset" || name == "--save-preset") {
      if (!ParsePresetPath(name, value, options, error)) return false;
    } else if (name == "--set") {
      if (!ParseAssignment(name, value, false, &options->assignments, error)) return false;
    } else {
      if (!ParseAssignment(name, value, true, &options->assignments, error)) return false;
    }
  }

  if (positional.empty()) {
    *error = "no command given (info, render or demo; see --help)";
    return false;
  }
  const std::string command = positional[0];
  const size_t files = positional.size() - 1;
  if (command == "info") {
    options->command = Command::kInfo;
    if (files != 0) {
      *error = "info takes no file arguments";
      return false;
    }
  } else if (command == "render") {
    options->command = Command::kRender;
    if (files != 2) {
      *error = "render wants two files: IN OUT";
      return false;
    }
    options->inPath = positional[1];
    options->outPath = positional[2];
  } else if (command == "demo") {
    options->command = Command::kDemo;
    if (files > 1) {
      *error = "demo takes at most one file: OUT";
      return false;
    }
    options->outPath = files == 1 ? positional[1] : kDefaultDemoOutput;
  } else if (command == "help") {
    options->command = Command::kHelp;
  } else {
    *error = "unknown command '" + command + "' (info, render or demo; see --help)";
    return false;
  }
  if (options->command == Command::kInfo && !options->editorPngPath.empty()) {
    *error = "--editor-png goes with render or demo";
    return false;
  }
  if ((options->command == Command::kRender || options->command == Command::kDemo) &&
      options->outPath.empty()) {
    *error = "the output file name is empty";
    return false;
  }
  return true;
}

const char* VersionText() { return "toneglass-host 1.0 (VST 2.4 host)\n"; }

const char* UsageText() {
  return "usage: toneglass-host COMMAND [options]\n"
         "\n"
         "Loads a Linux VST 2 or LV2 plug-in (Toneglass.so unless --plugin says otherwise)\n"
         "and runs it.\n"
         "\n"
         "commands:\n"
         "  info                  identity, flags, I/O, parameters, programs and capabilities\n"
         "  render IN OUT         run an audio file through the plug-in and write OUT (WAV)\n"
         "  demo [OUT]            render a ten-second built-in test signal (default OUT:\n"
         "                        toneglass-demo.wav); tones sweep 1 to 4 kHz over quiet\n"
         "                        noise with Threshold -24 dB, Selection Start 1000 Hz and\n"
         "                        Selection Size 3000 Hz, so blips sound at once\n"
         "\n"
         "options:\n"
         "  --plugin PATH         the plug-in: a VST 2 .so file, an LV2 bundle folder\n"
         "                        (NAME.lv2) or an LV2 plug-in's URI (as lv2ls lists them)\n"
         "  --block N             frames per processing call (default 512, at most 65536)\n"
         "  --precision P         double (default; single when the plug-in lacks it) or single\n"
         "  --format F            OUT sample format: float (default, 32-bit), pcm16 or pcm24\n"
         "  --set NAME=VALUE      set a parameter by name to a value in its own unit or to\n"
         "                        one of the texts it displays (as info lists them)\n"
         "  --set-normalized I=V  set parameter number I to the normalised value V (0..1)\n"
         "  --editor-png FILE     render, demo: draw the plug-in's editor without a window at\n"
         "                        25 frames per second of audio time and write it to FILE\n"
         "                        (PNG) at the end; demo writes OUT's name with .png when\n"
         "                        the plug-in can draw its editor\n"
         "  --load-preset FILE    start from a preset: a VST 2 program file or a preset XML\n"
         "                        file (told apart by content), or an LV2 plug-in's preset\n"
         "                        by label or URI; --set options apply after it\n"
         "  --save-preset FILE    save the parameters as they stand after the --set options\n"
         "                        (FILE.fxp: VST 2 program file, FILE.xml: preset XML file)\n"
         "  --force               replace OUT, --editor-png or --save-preset files that are\n"
         "                        write-protected (refused otherwise)\n"
         "  --no-clip             pcm16, pcm24: fail instead of clipping samples beyond full\n"
         "                        scale (by default they are clipped, counted and reported)\n"
         "  --version             the tool's version\n"
         "  -h, --help            this text\n"
         "\n"
         "Mono input feeds every plug-in input. OUT keeps the input's sample rate. Every\n"
         "output is written under a temporary name and put in place only once complete;\n"
         "a replaced file keeps its permissions, a symbolic link stays and its target is\n"
         "replaced, a file with several hard links is rewritten in place (all its names\n"
         "see the new content), and a device, FIFO or /dev/stdout is written as a stream.\n"
         "Outputs must differ from the inputs and from each other. --plugin NAME without\n"
         "a slash is looked for in $VST_PATH, ~/.vst, /usr/local/lib/vst and /usr/lib/vst;\n"
         "an LV2 URI in $LV2_PATH, or else ~/.lv2, /usr/local/lib/lv2 and /usr/lib/lv2.\n"
         "An LV2 plug-in's parameters are its control input ports, named by symbol or name\n"
         "(--set-normalized takes the port number); it renders in single precision, and\n"
         "--editor-png and --save-preset are for VST 2 plug-ins only.\n"
         "Exit status 0 on success, 1 on failure, 2 for a bad command line.\n"
         "\n"
         "As a host it reports VST 2.4, the render's sample rate and block size, and a song\n"
         "playing at 120 BPM in 4/4 from the first sample; it answers canDo with yes for\n"
         "sendVstTimeInfo, acceptIOChanges and startStopProcess, and with 0 otherwise.\n";
}

}  // namespace vsthost
