#pragma once

#include <chrono>
#include <cstddef>

#include "common/seams.h"

namespace tarn {

// When a window whose event loop watches the port reads what arrives beside
// the replies the presenter waits for (a measurement's stream; replies are
// read as they come, through BytePort::waitForInput):
//
// - A board on a line of up to about 200 kbaud is read in batches every
//   100 ms: a stream of records at 115200 baud wakes the window ten times a
//   second rather than once a record, and each read finds something (a USB
//   adapter hands over what it gathered every 16 ms).
// - A faster board is read by the time it has sent half of what the system
//   hands over in one read, at the rate the reads have shown.
// - A read that took three quarters of that or more came late: the board may
//   have been held up (a pseudo-terminal stops its writer) or be about to lose
//   characters (a real line). The port is then read as soon as it has
//   anything, for as long as that lasts, and so it is while the rate of a
//   stream that has just begun is not known yet.
//
// The shell watches the port until it is readable, waits on a timer, and
// reads; this decides which of them comes next.
class PortReading {
 public:
  using Wait = std::chrono::steady_clock::duration;
  // What the system hands over in one read of a serial device: a tty's line
  // discipline keeps 4096 characters.
  static constexpr size_t kHeld = 4096;
  // The longest wait between the reads of a stream.
  static constexpr std::chrono::milliseconds kBatch{100};

  // The port became readable at `now`: how long to wait before reading it
  // (zero: read it now).
  Wait readable(SteadyTime now) const;
  // A read at `now` took `chars` characters. Returns how long to wait before
  // the next read; zero means "when the port is readable", which is also
  // where a read that took nothing leaves the shell.
  Wait afterRead(size_t chars, SteadyTime now);

 private:
  bool flowing_ = false;  // the last read took something
  SteadyTime since_{};    // the rate is measured from here
  size_t counted_ = 0;    // characters read since then
  SteadyTime due_{};      // no read of a stream before this
};

}  // namespace tarn
