// Serves the simulated board on a pseudo-terminal or an existing serial device.
#pragma once

#include "options.hpp"

namespace boardsim {

// Runs until a signal, the end of standard input or an unplug fault; returns the exit code.
int Serve(const Options& options);

}  // namespace boardsim
