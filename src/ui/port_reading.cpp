#include "ui/port_reading.h"

#include <algorithm>
#include <utility>

namespace tarn {
namespace {

constexpr std::chrono::milliseconds kTimerStep{1};
constexpr size_t kWanted = PortReading::kHeld / 2, kLate = PortReading::kHeld * 3 / 4;

}  // namespace

PortReading::Wait PortReading::readable(SteadyTime now) const {
  return std::max(Wait::zero(), due_ - now);
}

PortReading::Wait PortReading::afterRead(size_t chars, SteadyTime now) {
  const bool flowing = std::exchange(flowing_, chars > 0);
  due_ = now;
  if (chars == 0) {
    // Quiet: the shell watches the port, and reads what comes a batch after
    // this read at the soonest.
    due_ += kBatch;
    return Wait::zero();
  }
  // The rate is measured from the first read after a quiet port, over a
  // timer's millisecond at least (in less, a read finds what the system
  // happened to hand over rather than what the board sends). Meanwhile, and
  // after a read that came late, the port is read as soon as it has something.
  if (!flowing) {
    since_ = now, counted_ = 0;
    return Wait::zero();
  }
  counted_ += chars;
  if (chars >= kLate || now - since_ < kTimerStep) return Wait::zero();
  // The time in which the board at that rate sends half of what a read
  // holds, a whole batch at most.
  using Seconds = std::chrono::duration<double>;
  const Seconds wanted{Seconds(now - since_).count() * kWanted / static_cast<double>(counted_)};
  Wait wait = std::chrono::duration_cast<Wait>(std::min<Seconds>(wanted, kBatch));
  since_ = now, counted_ = 0;
  if (wait < kTimerStep) wait = Wait::zero();
  due_ += wait;
  return wait;
}

}  // namespace tarn
