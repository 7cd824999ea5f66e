#pragma once

#include <string>

namespace tarn {

// The device behind "COMn" on this host: on Windows the port itself; elsewhere
// the environment variable TARNVIEW_COMn when set, otherwise /dev/ttyS<n-1>.
std::string portDevice(int number);

}  // namespace tarn
