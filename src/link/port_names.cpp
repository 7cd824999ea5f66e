#include "link/port_names.h"

#include <cstdlib>

#include "common/errors.h"
#include "common/model.h"
#include "common/numbers.h"

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

std::optional<double> portNumberOf(std::string_view name) {
  if (!name.starts_with("COM")) return std::nullopt;
  return TextToNumber(name.substr(3));
}

std::string portDeviceOf(std::string_view name) {
  const std::optional<double> number = portNumberOf(name);
  if (!number || (!kSolo && *number > kHighestPort)) return {};
  try {
    const int16_t port = toInt16(*number);
    return port >= 1 ? portDevice(port) : std::string();
  } catch (const OverflowError&) {
    return {};
  }
}

}  // namespace tarn
