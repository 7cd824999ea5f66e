// Reply latency of one command exchange through the real serial port, the
// cost of a silent peer, and the time of a whole connection check.
#include <QApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "figures.h"
#include "support/board_process.h"
#include "support/pty_peer.h"
#include "ui/form1.h"
#include "ui/qt/app.h"

using namespace std::chrono;
using tarn::App;
using tarn::Form1;

namespace {

struct Stats {
  double mean, p50, p99, max;
};

Stats stats(std::vector<double> ms) {
  std::sort(ms.begin(), ms.end());
  double sum = 0;
  for (double v : ms) sum += v;
  return {sum / ms.size(), ms[ms.size() / 2], ms[ms.size() * 99 / 100], ms.back()};
}

void print(const char* what, const Stats& s) {
  std::printf("%-44s mean %8.3f ms  p50 %8.3f  p99 %8.3f  max %8.3f\n", what, s.mean, s.p50, s.p99,
              s.max);
  bench::figure(std::string(what) + ": mean", s.mean, "ms");
  bench::figure(std::string(what) + ": p99", s.p99, "ms");
}

template <typename F>
std::vector<double> timeRuns(int runs, F&& run) {
  std::vector<double> ms;
  for (int i = 0; i < runs; ++i) {
    const auto t0 = steady_clock::now();
    run();
    ms.push_back(duration<double, std::milli>(steady_clock::now() - t0).count());
  }
  return ms;
}

}  // namespace

int main(int argc, char** argv) {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication qapp(argc, argv);
  {
    tarn::test::PtyPeer peer(
        [](const std::string& line) { return line == "F?" ? std::string("FB\r") : std::string(); });
    peer.mapTo(4);
    App app;
    Form1& form = app.form();
    form.OpenPort();
    std::string reply;
    print("exchange with an instant peer (round trip)",
          stats(timeRuns(2000, [&] { form.SendCommand("F?", reply, 100); })));
    print("exchange with a silent peer (100 ms time-out)",
          stats(timeRuns(20, [&] { form.SendCommand("?", reply, 100); })));
  }
  {
    tarn::test::BoardProcess board({"--model", "pellan2", "--no-pacing"});
    App app;
    Form1& form = app.form();
    print("connection check, instant board (4 exchanges)", stats(timeRuns(200, [&] {
            form.Button1.userClick();  // connect and check
            form.Button1.userClick();  // disconnect
          })));
  }
  {
    tarn::test::BoardProcess board({"--model", "pellan2"});
    App app;
    Form1& form = app.form();
    print("connection check, board at 115200 baud", stats(timeRuns(50, [&] {
            form.Button1.userClick();
            form.Button1.userClick();
          })));
  }
  return 0;
}
