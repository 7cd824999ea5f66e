#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tarn {

// The device behind "COMn" on this host: on Windows the port itself; elsewhere
// the environment variable TARNVIEW_COMn when set, otherwise /dev/ttyS<n-1>.
std::string portDevice(int number);

// The number in a port name: what follows "COM", read as a number; nothing
// when the name does not begin with "COM".
std::optional<double> portNumberOf(std::string_view name);

// The highest port number the window accepts (the older program has no limit).
inline constexpr double kHighestPort = 16;

// The device a port name such as "COM4" stands for, the number read as a
// connection reads it; empty when the name stands for no port.
std::string portDeviceOf(std::string_view name);

}  // namespace tarn
