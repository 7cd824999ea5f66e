#pragma once

// The POSIX environment calls the tests use, on Windows (included into every
// test source there by tests/CMakeLists.txt).
#include <cstdlib>

inline int setenv(const char* name, const char* value, int) { return _putenv_s(name, value); }
inline int unsetenv(const char* name) { return _putenv_s(name, ""); }
