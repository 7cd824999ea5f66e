#pragma once

#include "common/seams.h"

namespace tarn {

// The machine's monotonic clock and local time (posix_clock.cpp, windows_clock.cpp).
class SystemClock : public Clock {
 public:
  SteadyTime now() override;
  LocalDateTime localNow() override;
};

}  // namespace tarn
