// A fresh folder for the files one test writes, removed with everything in it.
#ifndef TESTS_TEMP_FOLDER_H_
#define TESTS_TEMP_FOLDER_H_

#include <sys/resource.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "toneglass-test-XXXXXX").string();
    if (mkdtemp(&pattern[0])) mPath = pattern;
  }
  ~TempFolder() {
    std::error_code ignored;
    if (!mPath.empty()) std::filesystem::remove_all(mPath, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  std::string Path(const std::string& name) const { return mPath + "/" + name; }
  // The names of everything in the folder.
  std::vector<std::string> Entries() const {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(mPath)) names.push_back(e.path().filename().string());
    return names;
  }

 private:
  std::string mPath;
};

inline std::vector<unsigned char> ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline std::string ReadFileText(const std::string& path) {
  const std::vector<unsigned char> bytes = ReadFileBytes(path);
  return std::string(bytes.begin(), bytes.end());
}

inline void WriteFileBytes(const std::string& path, const std::vector<unsigned char>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline void WriteFileText(const std::string& path, const std::string& text) {
  WriteFileBytes(path, std::vector<unsigned char>(text.begin(), text.end()));
}

// While it lives, files this process writes cannot grow beyond `bytes`: writes past
// that fail (with the signal that would end the process ignored), as on a full disk.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    mOldHandler = signal(SIGXFSZ, SIG_IGN);
    getrlimit(RLIMIT_FSIZE, &mOld);
    rlimit limit = mOld;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &mOld);
    signal(SIGXFSZ, mOldHandler);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  rlimit mOld;
  void (*mOldHandler)(int);
};

#endif  // TESTS_TEMP_FOLDER_H_
