// The program as a user meets it: the time from launch to the first painted
// window (the real tarnview binary, offscreen, with TARNVIEW_STARTUP_PROBE),
// then, in this process with the same window and seams as the program, the
// CPU it takes while idle, unconnected and connected, and while it measures
// 65535 two-channel records at the board's pace (115200 baud, about 74 s):
// with no window, and shown with the live plot drawing, the records arriving
// one by one; then shown, the records arriving in 16 ms batches as a USB
// adapter delivers them. Then its memory after those measurements, and last
// the time the shown window takes for the same records from a board that
// sends as fast as the port takes them (bench_cli times the command line's).
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "figures.h"
#include "support/board_process.h"
#include "ui/presenter.h"
#include "ui/qt/app.h"
#include "ui/qt/main_window.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

struct Start {
  double launchMs = -1;  // from spawning the process to its first paint
  double mainMs = -1;    // from its main() to its first paint, as it reports
  bool alone = false;    // nothing else took the cores meanwhile
};

// The machine's CPU time in clock ticks since boot, all of it and the idle
// part (/proc/stat).
struct Ticks {
  long long all = 0, idle = 0;
};

Ticks machineTicks() {
  std::ifstream stat("/proc/stat");
  std::string cpu;
  stat >> cpu;
  Ticks t;
  long long v = 0;
  for (int field = 0; field < 8 && stat >> v; ++field) {
    t.all += v;
    if (field == 3 || field == 4) t.idle += v;  // idle, iowait
  }
  return t;
}

// Waits until `until` at most for a moment (300 ms) in which the cores are
// idle: other engineers' builds on a shared machine make start-up figures
// worthless.
void waitForQuiet(Clock::time_point until) {
  while (Clock::now() < until) {
    const Ticks before = machineTicks();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const Ticks after = machineTicks();
    if (after.all > before.all && after.idle - before.idle >= 0.97 * (after.all - before.all))
      return;
  }
}

Start launchOnce() {
  int out[2];
  if (pipe(out) != 0) return {};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  char* argv[] = {const_cast<char*>(TARNVIEW_PATH), nullptr};
  pid_t pid = -1;
  const Ticks before = machineTicks();
  const Clock::time_point t0 = Clock::now();
  const int spawned = posix_spawn(&pid, TARNVIEW_PATH, &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);
  Start start;
  std::string line;
  char c;
  while (spawned == 0 && read(out[0], &c, 1) == 1 && c != '\n') line += c;
  start.launchMs = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
  if (std::sscanf(line.c_str(), "first paint %lf ms after main", &start.mainMs) != 1)
    start.launchMs = -1;
  close(out[0]);
  rusage used{};
  if (spawned == 0) wait4(pid, nullptr, 0, &used);
  // Busy ticks beyond the program's own (and a tick or two of rounding)
  // are another process's.
  const Ticks after = machineTicks();
  const double tick = 1.0 / static_cast<double>(sysconf(_SC_CLK_TCK));
  const double own = (used.ru_utime.tv_sec + used.ru_stime.tv_sec) / tick +
                     (used.ru_utime.tv_usec + used.ru_stime.tv_usec) / 1e6 / tick;
  const auto busy = static_cast<double>((after.all - before.all) - (after.idle - before.idle));
  start.alone = busy <= own + 2 + 0.05 * static_cast<double>(after.all - before.all);
  return start;
}

// User plus system CPU time of this process, every thread, in seconds; to
// the microsecond, where /proc's clock ticks see only hundredths.
double cpuSeconds() {
  rusage use{};
  getrusage(RUSAGE_SELF, &use);
  const auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
  return seconds(use.ru_utime) + seconds(use.ru_stime);
}

double statusMiB(const std::string& field) { return bench::statusKb(field) / 1024.0; }

// The window's CPU over ten seconds in which nothing happens: an idle
// program should not wake at all.
void idleFigure(const std::string& what) {
  constexpr int kIdleMs = 10000;
  // What the last action left to do (a paint, a text that follows its
  // control) is done first: idle is what comes after.
  QEventLoop settle;
  QTimer::singleShot(1000, &settle, &QEventLoop::quit);
  settle.exec();
  const double cpu0 = cpuSeconds();
  QEventLoop idle;
  QTimer::singleShot(kIdleMs, &idle, &QEventLoop::quit);
  idle.exec();
  const double cpu = 100.0 * (cpuSeconds() - cpu0) / (kIdleMs / 1e3);
  std::printf("%s for %d s: CPU %.2f %% of a core (getrusage)\n", what.c_str(), kIdleMs / 1000,
              cpu);
  bench::figure(what + " 10 s: CPU", cpu, "% of a core");
}

// Starts a measurement and runs the event loop until it ends, woken by the
// end itself: a polling wait would add its own wake-ups to the figure.
void measureToEnd(tarn::Presenter& p) {
  QEventLoop loop;
  const std::function<void()> shell = p.measuringChanged;
  p.measuringChanged = [&] {
    shell();
    if (!p.measuring()) loop.quit();
  };
  QTimer::singleShot(std::chrono::minutes(10), &loop, &QEventLoop::quit);
  p.measureButton.userClick();
  if (p.measuring()) loop.exec();
  p.measuringChanged = shell;
}

// The shown window measuring `count` x 2 records of a board that sends them
// as fast as the port takes them, from the click to the summary.
bool unpaced(int count) {
  tarn::test::BoardProcess board({"--model", "pellan2", "--rate", "B", "--no-pacing"});
  tarn::App app(tarn::currentBoards());
  tarn::Presenter& p = app.presenter();
  app.window().show();
  p.connectButton.userClick();
  p.sampleCount.setText(std::to_string(count));
  p.channelList.userSelect(2);
  std::vector<double> ms;
  for (int run = 0; run < 5 && p.connected(); ++run) {
    const auto t0 = Clock::now();
    measureToEnd(p);
    ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
    if (!p.measurement() || p.measurement()->received() != count) return false;
  }
  if (ms.empty()) return false;
  const bench::Spread took = bench::spread(ms);
  std::printf("measuring %d x 2 unpaced, live plot: median %.1f ms, best %.1f ms (5 runs)\n", count,
              took.median, took.best);
  bench::figure("measuring " + std::to_string(count) + " x 2 unpaced, live plot: median",
                took.median, "ms");
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  // A smaller count, for a quick look: bench_program 5000.
  const int count = argc > 1 ? std::atoi(argv[1]) : 65535;
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");

  setenv("TARNVIEW_STARTUP_PROBE", "1", 1);
  launchOnce();  // warm the page cache and the font cache
  // 20 launches while nothing else runs, waiting five minutes at most for
  // quiet moments; short of them, the last launches taken on a busy machine
  // make up the number, and the figures say how many.
  constexpr size_t kLaunches = 20;
  std::vector<Start> alone, busy;
  const Clock::time_point patience = Clock::now() + std::chrono::minutes(5);
  while (alone.size() < kLaunches &&
         (Clock::now() < patience || alone.size() + busy.size() < kLaunches)) {
    waitForQuiet(patience);
    const Start s = launchOnce();
    if (s.launchMs < 0) {
      std::fprintf(stderr, "%s printed no first paint\n", TARNVIEW_PATH);
      return 1;
    }
    (s.alone ? alone : busy).push_back(s);
  }
  const size_t quiet = alone.size();
  while (alone.size() < kLaunches) alone.push_back(busy[busy.size() - 1 - (alone.size() - quiet)]);
  std::vector<double> launch, fromMain;
  for (const Start& s : alone) launch.push_back(s.launchMs), fromMain.push_back(s.mainMs);
  unsetenv("TARNVIEW_STARTUP_PROBE");
  const bench::Spread toPaint = bench::spread(launch), inMain = bench::spread(fromMain);
  std::printf(
      "start-up to the first painted window (offscreen, %zu runs, %zu of them on an otherwise "
      "idle machine): median %.1f ms, best %.1f ms; of it from main() median %.1f ms, "
      "best %.1f ms\n",
      kLaunches, quiet, toPaint.median, toPaint.best, inMain.median, inMain.best);
  bench::figure("start-up, launches with the machine otherwise idle", static_cast<double>(quiet),
                "of 20");
  bench::figure("start-up, launch to first paint: median", toPaint.median, "ms");
  bench::figure("start-up, launch to first paint: best", toPaint.best, "ms");
  bench::figure("start-up, main() to first paint: median", inMain.median, "ms");
  bench::figure("start-up, main() to first paint: best", inMain.best, "ms");

  QApplication application(argc, argv);
  // Records arrive one by one as the board sends them, then in 16 ms batches
  // as a USB serial adapter's latency timer hands them over.
  bool complete = true;
  for (const int latencyMs : {0, 16}) {
    std::vector<std::string> boardArgs{"--model", "pellan2", "--rate", "B"};
    if (latencyMs > 0) boardArgs.insert(boardArgs.end(), {"--latency-ms", "16"});
    tarn::test::BoardProcess board(boardArgs);
    tarn::App app(tarn::currentBoards());
    tarn::Presenter& p = app.presenter();
    app.window().show();
    QApplication::processEvents();
    const double startRss = statusMiB("VmRSS");
    if (latencyMs == 0) idleFigure("not connected, idle");
    p.connectButton.userClick();  // connect and check
    if (!p.connected()) {
      std::fprintf(stderr, "no connection to the simulated board\n");
      return 1;
    }
    if (latencyMs == 0) idleFigure("connected, idle");
    p.sampleCount.setText(std::to_string(count));
    p.channelList.userSelect(2);
    for (const bool shown : {false, true}) {
      if (latencyMs > 0 && !shown) continue;
      if (shown) {
        app.window().showNormal();
      } else {
        app.window().hide();
      }
      const double cpu0 = cpuSeconds();
      const auto t0 = Clock::now();
      measureToEnd(p);
      const double took = std::chrono::duration<double>(Clock::now() - t0).count();
      const double cpu = 100.0 * (cpuSeconds() - cpu0) / took;
      const int32_t received = p.measurement() ? p.measurement()->received() : 0;
      complete = complete && received == count;
      const std::string what = "measuring " + std::to_string(count) + " x 2 at 115200 baud, " +
                               (latencyMs > 0 ? "16 ms batches, " : "record by record, ") +
                               (shown ? "live plot" : "no window") + ": CPU";
      std::printf("%s %.2f %% of a core over %.1f s (%d records)\n", what.c_str(), cpu, took,
                  received);
      bench::figure(what, cpu, "% of a core");
    }
    if (latencyMs > 0) continue;
    QApplication::processEvents();
    const double rss = statusMiB("VmRSS"), peak = statusMiB("VmHWM");
    std::printf(
        "memory: VmRSS %.1f MiB at start, %.1f MiB after the measurements (peak %.1f MiB)\n",
        startRss, rss, peak);
    bench::figure("VmRSS after start-up", startRss, "MiB");
    bench::figure("VmRSS after 65535 x 2 measurements with live redraws", rss, "MiB");
    bench::figure("VmHWM (peak) after those measurements", peak, "MiB");
  }
  complete = unpaced(count) && complete;
  return complete ? 0 : 1;
}
