#include "board/port_names.h"

#include <cstdlib>

#include "board/board_texts.h"
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

PortChoice choosePort(std::string_view name, int highestPort) {
  const std::optional<double> number = portNumberOf(name);
  if (!number) return {PortNameError::NotACom, {}};
  if (highestPort > 0 && *number > highestPort) return {PortNameError::OutOfRange, {}};
  try {
    const int16_t port = toInt16(*number);
    if (port >= 1) return {PortNameError::None, portDevice(port)};
  } catch (const OverflowError&) {
  }
  return {PortNameError::Invalid, {}};
}

PortDevice portDeviceOf(std::string_view port, int highestPort) {
  if (!port.starts_with("COM")) return {std::string(port), {}};
  PortChoice choice = choosePort(port, highestPort);
  if (choice.error == PortNameError::None) return {std::move(choice.device), {}};
  return {{},
          choice.error == PortNameError::OutOfRange ? board_texts::kComNumberRange
                                                    : board_texts::kSettingError};
}

}  // namespace tarn
