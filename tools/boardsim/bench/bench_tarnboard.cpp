// Pacing accuracy and unpaced throughput of tarnboard, measured as a host sees them.
#include <chrono>
#include <cstdio>

#include "figures.h"
#include "sim_client.hpp"

namespace {

using simclient::Ms;

// Seconds from sending the start command to the last character of `records` records.
double TimeStream(const std::vector<std::string>& args, const char* start, size_t records,
                  size_t length) {
  simclient::Sim sim(args);
  simclient::Port port(sim.device());
  const auto t0 = std::chrono::steady_clock::now();
  port.Send(start);
  const size_t got = port.Read(records * length, Ms(120'000)).size();
  const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - t0;
  if (got != records * length) {
    std::fprintf(stderr, "short stream: %zu of %zu characters\n", got, records * length);
    return -1;
  }
  return elapsed.count();
}

}  // namespace

int main() {
  const size_t paced = 2000, unpaced = 65535, length = 13;  // two-channel binary records
  const double computed = paced * length * 10 / 115200.0;
  const double measured =
      TimeStream({"--model", "pellan2", "--rate", "B"}, "A207D0", paced, length);
  if (measured < 0) return 1;
  std::printf("pacing: %zu records x %zu chars at 115200 baud, rate code B (1007 sps)\n", paced,
              length);
  std::printf("  measured %.4f s / computed %.4f s = %.4f (%+.2f %%)\n", measured, computed,
              measured / computed, (measured / computed - 1) * 100);
  bench::figure("paced stream, 2000 records at 115200 baud: time / computed", measured / computed,
                "ratio");

  const double seconds = TimeStream({"--no-pacing"}, "A2FFFF", unpaced, length);
  if (seconds < 0) return 1;
  std::printf("unpaced: %zu records x %zu chars in %.3f s = %.0f records/s, %.0f chars/s\n",
              unpaced, length, seconds, unpaced / seconds, unpaced * length / seconds);
  bench::figure("unpaced stream, 65535 records", unpaced * length / seconds, "chars/s");
  return 0;
}
