#pragma once

#include <memory>

#include "common/seams.h"

namespace tarn::capi {

// A board's serial port whose wait a stop can end early: wake() may be
// called from any thread and from a signal handler. Each system's
// platform/<system>/stoppable_port.cpp makes it.
class StoppablePort {
 public:
  virtual ~StoppablePort() = default;
  virtual BytePort& port() = 0;
  virtual void wake() noexcept = 0;
  // Forgets the wake-ups of an earlier stop, before a measurement starts.
  virtual void clearWake() noexcept = 0;
};
std::unique_ptr<StoppablePort> makeStoppablePort();

}  // namespace tarn::capi
