// Reply latency of one command exchange through the real serial port, the
// cost of a silent peer, and the time of a whole connection check.
#include <QApplication>
#include <cstdio>
#include <vector>

#include "board/link.h"
#include "board/port_names.h"
#include "board/profile.h"
#include "common/system_clock.h"
#include "figures.h"
#include "pty_peer.h"
#include "support/board_process.h"
#include "ui/presenter.h"
#include "ui/qt/app.h"
#include "ui/qt/qt_serial.h"

namespace {

void print(const char* what, const std::vector<double>& ms) {
  const bench::Spread s = bench::spread(ms);
  std::printf("%-44s mean %8.3f ms  p50 %8.3f  p99 %8.3f  max %8.3f\n", what, s.mean, s.median,
              s.p99, s.worst);
  bench::figure(std::string(what) + ": mean", s.mean, "ms");
  bench::figure(std::string(what) + ": p99", s.p99, "ms");
}

// Connects and disconnects `runs` times; the timings, or nothing printed and
// false when a check did not pass.
bool connectionChecks(const char* what, int runs) {
  tarn::App app(tarn::currentBoards());
  tarn::Presenter& p = app.presenter();
  int connected = 0;
  const std::vector<double> ms = bench::timeRuns(runs, [&] {
    p.connectButton.userClick();  // connect and check
    connected += p.connected() && p.rateList.listIndex() >= 0;
    p.connectButton.userClick();  // disconnect
  });
  if (connected != runs) {
    std::fprintf(stderr, "%s: %d of %d checks passed\n", what, connected, runs);
    return false;
  }
  print(what, ms);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication qapp(argc, argv);
  {
    tarn::test::PtyPeer peer(
        [](const std::string& line) { return line == "F?" ? std::string("FB\r") : std::string(); });
    peer.mapTo(4);
    tarn::QtBytePort port;
    tarn::SystemClock clock;
    tarn::BoardLink link(port, clock);
    link.open(tarn::portDevice(4), tarn::currentBoards()[0].line);
    int answered = 0;
    const std::vector<double> instant =
        bench::timeRuns(2000, [&] { answered += link.exchange("F?") == "FB"; });
    if (answered != 2000) {
      std::fprintf(stderr, "the instant peer answered %d of 2000 exchanges\n", answered);
      return 1;
    }
    print("exchange with an instant peer (round trip)", instant);
    print("exchange with a silent peer (100 ms time-out)",
          bench::timeRuns(20, [&] { link.exchange("?"); }));
  }
  bool ok;
  {
    tarn::test::BoardProcess board({"--model", "pellan2", "--no-pacing"});
    ok = connectionChecks("connection check, instant board (4 exchanges)", 200);
  }
  {
    tarn::test::BoardProcess board({"--model", "pellan2"});
    ok = connectionChecks("connection check, board at 115200 baud", 50) && ok;
  }
  return ok ? 0 : 1;
}
