// tarnview-cli end to end against the simulated board: a full two-channel
// measurement unpaced, then one paced at 115200 baud against its wire time,
// with the program's CPU time while it waits for the line; then a paced sweep
// over three rates against its wire time.
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "figures.h"

namespace {

using std::chrono::steady_clock;

// Starts a program with its stdout on a pipe; the pipe's reading end.
pid_t spawn(std::vector<std::string> argv, int& out) {
  int p[2];
  if (pipe2(p, O_CLOEXEC) != 0) std::exit(1);
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(p[1], STDOUT_FILENO);
    std::vector<char*> v;
    for (std::string& a : argv) v.push_back(a.data());
    v.push_back(nullptr);
    execv(v[0], v.data());
    _exit(127);
  }
  close(p[1]);
  out = p[0];
  return pid;
}

std::string readAll(int fd, bool lineOnly = false) {
  std::string text;
  char c;
  while (read(fd, &c, 1) == 1 && !(lineOnly && c == '\n')) text += c;
  return text;
}

double jsonNumber(const std::string& json, const std::string& key) {
  const size_t at = json.find("\"" + key + "\":");
  return at == std::string::npos ? -1 : std::stod(json.substr(at + key.size() + 3));
}

struct Result {
  double wall, measuring, cpu;
  int received;
};

// One measurement of `count` two-channel binary records at rate code B.
Result measure(int count, bool paced) {
  std::vector<std::string> boardArgs = {TARNBOARD_PATH, "--ignore-stdin", "--rate", "B"};
  if (!paced) boardArgs.push_back("--no-pacing");
  int boardOut = -1, cliOut = -1;
  const pid_t board = spawn(boardArgs, boardOut);
  const std::string device = readAll(boardOut, true);
  const auto t0 = steady_clock::now();
  const pid_t cli =
      spawn({TARNVIEW_CLI_PATH, "--port", device, "measure", "--count", std::to_string(count),
             "--channels", "both", "--out", "/tmp/bench_cli.csv", "--json"},
            cliOut);
  const std::string json = readAll(cliOut);
  rusage usage{};
  int status = 0;
  wait4(cli, &status, 0, &usage);
  const double wall = std::chrono::duration<double>(steady_clock::now() - t0).count();
  kill(board, SIGTERM);
  waitpid(board, nullptr, 0);
  close(boardOut);
  close(cliOut);
  const double cpu = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                     static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  return {wall, jsonNumber(json, "seconds"), cpu, static_cast<int>(jsonNumber(json, "received"))};
}

// A paced sweep of rates 9 to 11 (200.3, 503.8 and 1007 sps), `count` two-channel
// binary records each, against its planned wire time; the program's wall time too.
void sweep(int count) {
  int boardOut = -1, cliOut = -1;
  const pid_t board = spawn({TARNBOARD_PATH, "--ignore-stdin"}, boardOut);
  const std::string device = readAll(boardOut, true);
  const auto t0 = steady_clock::now();
  const pid_t cli = spawn({TARNVIEW_CLI_PATH, "--port", device, "sweep", "--rates", "9-11",
                           "--count", std::to_string(count), "--channels", "both", "--out",
                           "/tmp/bench_cli_sweep", "--quiet", "--json"},
                          cliOut);
  const std::string json = readAll(cliOut);
  int status = 0;
  waitpid(cli, &status, 0);
  const double wall = std::chrono::duration<double>(steady_clock::now() - t0).count();
  kill(board, SIGTERM);
  waitpid(board, nullptr, 0);
  close(boardOut);
  close(cliOut);
  const double planned = jsonNumber(json, "plannedSeconds"), took = jsonNumber(json, "seconds");
  const double limit = planned * 1.01 + 0.2 * 3;
  std::printf(
      "paced sweep, 3 rates x %d x 2 records: sweep %.3f s, wire time %.3f s, ratio %.5f, "
      "limit %.3f s (wire x 1.01 + 0.2 s a rate): %s; whole program %.3f s%s\n",
      count, took, planned, took / planned, limit, took <= limit ? "within" : "OVER", wall,
      WIFEXITED(status) && WEXITSTATUS(status) == 0 ? "" : "  FAILED");
  bench::figure("paced sweep of 3 rates: sweep / wire time", took / planned, "ratio");
  bench::figure("paced sweep of 3 rates: time over the wire time", took - planned, "s");
  bench::figure("paced sweep of 3 rates: whole program / wire time", wall / planned, "ratio");
}

}  // namespace

int main() {
  std::vector<double> wall, measuring;
  for (int run = 0; run < 7; ++run) {
    const Result r = measure(65535, false);
    if (r.received != 65535) std::printf("run %d: only %d records\n", run, r.received);
    wall.push_back(r.wall * 1e3);
    measuring.push_back(r.measuring * 1e3);
  }
  const bench::Spread w = bench::spread(wall), m = bench::spread(measuring);
  std::printf(
      "unpaced, 65535 x 2 binary records, whole program (launch, check, rate, "
      "measurement, figures, file): median %.1f ms (best %.1f, worst %.1f)\n",
      w.median, w.best, w.worst);
  std::printf(
      "unpaced, 65535 x 2 binary records, start command to last record: median %.1f ms "
      "(best %.1f, worst %.1f)\n",
      m.median, m.best, m.worst);
  bench::figure("unpaced, 65535 x 2 records, whole program: median", w.median, "ms");
  bench::figure("unpaced, 65535 x 2 records, measurement: median", m.median, "ms");

  constexpr int kPaced = 4000;
  const double wire = kPaced * 13 * 10 / 115200.0;  // 13 characters of 10 bits a record
  const Result r = measure(kPaced, true);
  std::printf(
      "paced at 115200 baud, %d x 2 records: measurement %.4f s, wire time %.4f s, ratio "
      "%.5f; whole program %.4f s, ratio %.5f%s\n",
      kPaced, r.measuring, wire, r.measuring / wire, r.wall, r.wall / wire,
      r.received == kPaced ? "" : "  INCOMPLETE");
  std::printf("paced at 115200 baud: CPU %.3f s of %.3f s, %.2f %% of a core\n", r.cpu, r.wall,
              100 * r.cpu / r.wall);
  bench::figure("paced at 115200 baud: measurement / wire time", r.measuring / wire, "ratio");
  bench::figure("paced at 115200 baud: whole program / wire time", r.wall / wire, "ratio");
  bench::figure("paced at 115200 baud: CPU", 100 * r.cpu / r.wall, "% of a core");
  sweep(1000);
  return 0;
}
