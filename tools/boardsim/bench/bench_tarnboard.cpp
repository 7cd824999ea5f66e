// Pacing accuracy, delivery in an adapter's batches and unpaced throughput of tarnboard,
// measured as a host sees them.
#include <chrono>
#include <cstdio>
#include <stdexcept>

#include "figures.h"
#include "sim_client.hpp"

namespace {

using simclient::Ms;

struct Stream {
  double seconds;  // from sending the start command to the last character
  int reads;       // the host's reads that brought the characters
};

Stream TimeStream(const std::vector<std::string>& args, const char* start, size_t records,
                  size_t length) {
  simclient::Sim sim(args);
  simclient::Port port(sim.device());
  const auto t0 = std::chrono::steady_clock::now();
  port.Send(start);
  const size_t got = port.Read(records * length, Ms(120'000)).size();
  const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - t0;
  if (got != records * length) {
    std::fprintf(stderr, "short stream: %zu of %zu characters\n", got, records * length);
    return {-1, 0};
  }
  return {elapsed.count(), port.reads()};
}

int Run() {
  const size_t paced = 2000, unpaced = 65535, length = 13;  // two-channel binary records
  const double computed = paced * length * 10 / 115200.0;
  const double measured =
      TimeStream({"--model", "pellan2", "--rate", "B"}, "A207D0", paced, length).seconds;
  if (measured < 0) return 1;
  std::printf("pacing: %zu records x %zu chars at 115200 baud, rate code B (1007 sps)\n", paced,
              length);
  std::printf("  measured %.4f s / computed %.4f s = %.4f (%+.2f %%)\n", measured, computed,
              measured / computed, (measured / computed - 1) * 100);
  bench::figure("paced stream, 2000 records at 115200 baud: time / computed", measured / computed,
                "ratio");

  // As a USB adapter delivers: what is due every 16 ms, so the stream takes as long, in
  // fewer and larger reads.
  const Stream batched = TimeStream({"--model", "pellan2", "--rate", "B", "--latency-ms", "16"},
                                    "A207D0", paced, length);
  if (batched.seconds < 0) return 1;
  std::printf(
      "batched (--latency-ms 16): %d reads, %.1f ms apart, %.1f records each; time / "
      "computed %.4f\n",
      batched.reads, batched.seconds * 1000 / batched.reads,
      static_cast<double>(paced) / batched.reads, batched.seconds / computed);
  bench::figure("batched stream (--latency-ms 16), 2000 records: ms between reads",
                batched.seconds * 1000 / batched.reads, "ms");

  const double seconds = TimeStream({"--no-pacing"}, "A2FFFF", unpaced, length).seconds;
  if (seconds < 0) return 1;
  std::printf("unpaced: %zu records x %zu chars in %.3f s = %.0f records/s, %.0f chars/s\n",
              unpaced, length, seconds, unpaced / seconds, unpaced * length / seconds);
  bench::figure("unpaced stream, 65535 records", unpaced * length / seconds, "chars/s");
  return 0;
}

}  // namespace

int main() {
  try {
    return Run();
  } catch (const std::exception& e) {  // the simulator or its port could not be opened
    std::fprintf(stderr, "bench_tarnboard: %s\n", e.what());
    return 1;
  }
}
