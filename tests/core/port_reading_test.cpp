#include <gtest/gtest.h>

#include <algorithm>

#include "ui/port_reading.h"

namespace tarn {
namespace {

using std::chrono::microseconds;

struct Reading {
  int64_t reads = 0;
  size_t mostHeld = 0;  // the most the system held between reads
  microseconds lastRead{};
};

// A board sending `total` characters and a window reading them as PortReading
// says, as the Qt shell does, in simulated time: steps of 10 µs, a read taking
// one. The board's characters reach the system at `charsPerMs` (0: as fast as
// it takes them), in batches every `batchUs` when that is not 0. The system
// hands over 4095 characters a read, as a tty does, and holds a board up that
// finds it full, as a pseudo-terminal does.
Reading simulate(double charsPerMs, int64_t batchUs, size_t total) {
  constexpr size_t kRead = 4095, kRoom = 65536;
  constexpr microseconds kStep{10};
  const auto timer = [](PortReading::Wait wait) {  // the shell's millisecond timer
    return std::chrono::ceil<std::chrono::milliseconds>(wait);
  };
  const SteadyTime start = SteadyTime{} + std::chrono::hours(1);
  PortReading pace;
  Reading run;
  size_t taken = 0;
  bool watching = true;
  microseconds due{};
  for (microseconds t{}; taken < total && t < std::chrono::minutes(1); t += kStep) {
    const int64_t at = batchUs > 0 ? t.count() / batchUs * batchUs : t.count();
    const size_t sent = charsPerMs > 0 ? static_cast<size_t>(charsPerMs * at / 1000) : total;
    const size_t held = std::min({total, sent, taken + kRoom}) - taken;
    run.mostHeld = std::max(run.mostHeld, held);
    if (watching) {
      if (held == 0) continue;
      watching = false;
      due = t + timer(pace.readable(start + t));
    }
    if (t < due) continue;
    const size_t n = std::min(held, kRead);
    taken += n, ++run.reads, run.lastRead = t;
    const PortReading::Wait wait = pace.afterRead(n, start + t);
    watching = wait == PortReading::Wait::zero();
    due = t + kStep + timer(wait);
  }
  return run;
}

}  // namespace

TEST(PortReading, KeepsUpWithAFastBoardAndBatchesAPacedOne) {
  constexpr size_t kStream = 65535 * 13;  // two channels in binary data, CR included
  // `doneByMs`: every character read; `readsPerS`: at most, when not 0; `neverFull`: nothing
  // held up or, on a real line, lost.
  // clang-format off
  const struct { const char* name; double charsPerMs; int64_t batchUs; size_t total;
                 double doneByMs, readsPerS; bool neverFull; } cases[] = {
      {"unpaced, the board held up", 0, 0, kStream, 5, 0, false},
      {"unpaced, in pieces of 500", 10000, 50, kStream, 86, 0, true},
      {"115200 baud, record by record", 11.52, 1128, 115200, 10101, 10.5, true},
      {"115200 baud in 16 ms batches", 11.52, 16000, 115200, 10101, 10.5, true},
      {"921600 baud", 92.16, 0, 921600, 10025, 60, true},
      {"USB at a million a second", 1000, 1000, 10000000, 10005, 400, true}};
  // clang-format on
  for (const auto& c : cases) {
    const Reading run = simulate(c.charsPerMs, c.batchUs, c.total);
    const double doneMs = run.lastRead.count() / 1e3;
    EXPECT_LE(doneMs, c.doneByMs) << c.name;
    if (c.readsPerS > 0) {
      EXPECT_LE(run.reads / (doneMs / 1e3), c.readsPerS) << c.name;
    }
    if (c.neverFull) {
      EXPECT_LT(run.mostHeld, 4095u) << c.name;
    }
  }
}

}  // namespace tarn
