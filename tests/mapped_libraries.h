// Which shared libraries this process has mapped: for tests that prove a build links
// nothing graphic.
#ifndef TESTS_MAPPED_LIBRARIES_H_
#define TESTS_MAPPED_LIBRARIES_H_

#include <fstream>
#include <initializer_list>
#include <string>
#include <vector>

// Every shared library mapped into this process, one path per line.
inline std::string MappedLibraries() {
  std::ifstream maps("/proc/self/maps");
  std::string line, all;
  while (std::getline(maps, line)) {
    const size_t slash = line.find('/');
    if (slash != std::string::npos) all += line.substr(slash) + "\n";
  }
  return all;
}

// The names in libs ("libpng", ...) that some path in maps has as its file name's start.
inline std::vector<std::string> LibrariesIn(const std::string& maps, std::initializer_list<const char*> libs) {
  std::vector<std::string> found;
  for (const char* lib : libs)
    if (maps.find(std::string("/") + lib) != std::string::npos) found.push_back(lib);
  return found;
}

#endif  // TESTS_MAPPED_LIBRARIES_H_
