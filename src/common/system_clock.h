#pragma once

#include "common/seams.h"

namespace tarn {

// The machine's monotonic clock and local time (each system's clock.cpp under
// platform/).
class SystemClock : public Clock {
 public:
  SteadyTime now() override;
  LocalDateTime localNow() override;
};

}  // namespace tarn
