// The program as a user meets it: the time from launch to the first painted
// window (the real tarnview binary, offscreen, with TARNVIEW_STARTUP_PROBE),
// then, in this process with the same window and seams as the program, the
// CPU it takes while connected and idle, and while it measures 65535
// two-channel records at the board's pace (115200 baud, about 74 s) with the
// live plot drawing, then with the window minimised; and its memory after
// those measurements.
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "figures.h"
#include "support/board_process.h"
#include "support/pump.h"
#include "ui/presenter.h"
#include "ui/qt/app.h"
#include "ui/qt/main_window.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

struct Start {
  double launchMs = -1;  // from spawning the process to its first paint
  double mainMs = -1;    // from its main() to its first paint, as it reports
};

Start launchOnce() {
  int out[2];
  if (pipe(out) != 0) return {};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  char* argv[] = {const_cast<char*>(TARNVIEW_PATH), nullptr};
  pid_t pid = -1;
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
  if (spawned == 0) waitpid(pid, nullptr, 0);
  return start;
}

// User plus system CPU time of this process, in clock ticks.
long cpuTicks() {
  std::ifstream in("/proc/self/stat");
  std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::istringstream fields(stat.substr(stat.rfind(')') + 2));
  std::string skip;
  for (int i = 3; i < 14; ++i) fields >> skip;  // state … cmajflt
  long utime = 0, stime = 0;
  fields >> utime >> stime;
  return utime + stime;
}

double statusMiB(const std::string& field) { return bench::statusKb(field) / 1024.0; }

}  // namespace

int main(int argc, char** argv) {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");

  setenv("TARNVIEW_STARTUP_PROBE", "1", 1);
  launchOnce();  // warm the page cache and the font cache
  std::vector<double> launch, fromMain;
  for (int run = 0; run < 15; ++run) {
    const Start s = launchOnce();
    if (s.launchMs < 0) {
      std::fprintf(stderr, "%s printed no first paint\n", TARNVIEW_PATH);
      return 1;
    }
    launch.push_back(s.launchMs);
    fromMain.push_back(s.mainMs);
  }
  unsetenv("TARNVIEW_STARTUP_PROBE");
  const bench::Spread toPaint = bench::spread(launch), inMain = bench::spread(fromMain);
  std::printf(
      "start-up to the first painted window (offscreen, 15 runs): median %.1f ms, "
      "best %.1f ms; of it from main() %.1f ms\n",
      toPaint.median, toPaint.best, inMain.median);
  bench::figure("start-up, launch to first paint: median", toPaint.median, "ms");
  bench::figure("start-up, main() to first paint: median", inMain.median, "ms");

  QApplication application(argc, argv);
  tarn::test::BoardProcess board({"--model", "pellan2", "--rate", "B"});
  tarn::App app(tarn::currentBoards());
  tarn::Presenter& p = app.presenter();
  app.window().show();
  QApplication::processEvents();
  const double startRss = statusMiB("VmRSS");
  p.connectButton.userClick();  // connect and check
  if (!p.connected()) {
    std::fprintf(stderr, "no connection to the simulated board\n");
    return 1;
  }

  constexpr int kIdleMs = 5000;
  const long ticks0 = cpuTicks();
  QEventLoop idle;
  QTimer::singleShot(kIdleMs, &idle, &QEventLoop::quit);
  idle.exec();
  const double idleCpu = 100.0 * (cpuTicks() - ticks0) / sysconf(_SC_CLK_TCK) / (kIdleMs / 1e3);
  std::printf("connected and idle for %d s: CPU %.2f %% of a core (/proc/self/stat)\n",
              kIdleMs / 1000, idleCpu);
  bench::figure("connected, idle 5 s: CPU", idleCpu, "% of a core");

  p.sampleCount.setText("65535");
  p.channelList.userSelect(2);
  bool complete = true;
  enum Window { Hidden, Shown, Minimised };
  for (const Window window : {Hidden, Shown, Minimised}) {
    if (window == Hidden) app.window().hide();
    if (window == Shown) app.window().showNormal();
    if (window == Minimised) app.window().showMinimized();
    const long ticks = cpuTicks();
    const auto t0 = Clock::now();
    p.measureButton.userClick();
    tarn::test::pumpUntil([&] { return !p.measuring(); }, 600000);
    const double took = std::chrono::duration<double>(Clock::now() - t0).count();
    const double cpu = 100.0 * (cpuTicks() - ticks) / sysconf(_SC_CLK_TCK) / took;
    const int32_t received = p.measurement() ? p.measurement()->received() : 0;
    complete = complete && received == 65535;
    const char* what = window == Hidden ? "measuring 65535 x 2 at 115200 baud, no window: CPU"
                       : window == Shown
                           ? "measuring 65535 x 2 at 115200 baud, live plot: CPU"
                           : "measuring 65535 x 2 at 115200 baud, window minimised: CPU";
    std::printf("%s %.2f %% of a core over %.1f s (%d records)\n", what, cpu, took, received);
    bench::figure(what, cpu, "% of a core");
  }
  QApplication::processEvents();
  const double rss = statusMiB("VmRSS"), peak = statusMiB("VmHWM");
  std::printf("memory: VmRSS %.1f MiB at start, %.1f MiB after the measurements (peak %.1f MiB)\n",
              startRss, rss, peak);
  bench::figure("VmRSS after start-up", startRss, "MiB");
  bench::figure("VmRSS after 65535 x 2 measurements with live redraws", rss, "MiB");
  bench::figure("VmHWM (peak) after those measurements", peak, "MiB");
  return complete ? 0 : 1;
}
