// An environment variable set (or removed) for one scope, the old value or its absence
// restored at the end.
#pragma once

#include <cstdlib>
#include <string>

class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : mName(name) {
    const char* old = getenv(name);
    mHad = old != nullptr;
    if (mHad) mOld = old;
    if (value)
      setenv(name, value, 1);
    else
      unsetenv(name);
  }
  ~ScopedEnv() {
    if (mHad)
      setenv(mName.c_str(), mOld.c_str(), 1);
    else
      unsetenv(mName.c_str());
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string mName, mOld;
  bool mHad = false;
};
