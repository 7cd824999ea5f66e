#pragma once

#include <string>
#include <string_view>

namespace tarn {

// The device behind "COMn" on this host: on Windows the port itself; elsewhere
// the environment variable TARNVIEW_COMn when set, otherwise /dev/ttyS<n-1>.
std::string portDevice(int number);

// The device a port name such as "COM4" stands for, the number read as a
// connection reads it; empty when the name stands for no port.
std::string portDeviceOf(std::string_view name);

}  // namespace tarn
