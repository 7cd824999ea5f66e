#include "link/port_names.h"

#include <cstdlib>

namespace tarn {

std::string portDevice(int number) {
  const std::string name = "COM" + std::to_string(number);
#ifdef _WIN32
  return name;
#else
  if (const char* mapped = std::getenv(("TARNVIEW_" + name).c_str()); mapped && *mapped)
    return mapped;
  return "/dev/ttyS" + std::to_string(number - 1);
#endif
}

}  // namespace tarn
