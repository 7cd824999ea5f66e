#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tarn {

// The device behind "COMn" on this host: on Windows the port itself; elsewhere
// the environment variable TARNVIEW_COMn when set, otherwise /dev/ttyS<n-1>.
std::string portDevice(int number);

// The port number in a name such as "COM4": what follows "COM", read as a
// number. Nothing when the name does not begin with "COM".
std::optional<double> portNumberOf(std::string_view name);

// Why a port name stands for no port.
enum class PortNameError { None, NotACom, OutOfRange, Invalid };

// The device a port name stands for, with `highestPort` the largest number
// accepted (0 for no limit).
struct PortChoice {
  PortNameError error;
  std::string device;
};
PortChoice choosePort(std::string_view name, int highestPort);

// The device a port as the programs take it stands for: a name beginning
// with "COM" by choosePort(), anything else a device path as it is. On a bad
// name `error` holds the window's message and `device` is empty.
struct PortDevice {
  std::string device;
  std::string error;
};
PortDevice portDeviceOf(std::string_view port, int highestPort);

}  // namespace tarn
