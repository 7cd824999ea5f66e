// Reply latency of one command exchange through the real serial port, the
// cost of a silent peer, and the time of a whole connection check.
#include <QApplication>
#include <cstdio>
#include <vector>

#include "figures.h"
#include "support/board_process.h"
#include "support/pty_peer.h"
#include "ui/form1.h"
#include "ui/qt/app.h"

using tarn::App;
using tarn::Form1;

namespace {

void print(const char* what, const std::vector<double>& ms) {
  const bench::Spread s = bench::spread(ms);
  std::printf("%-44s mean %8.3f ms  p50 %8.3f  p99 %8.3f  max %8.3f\n", what, s.mean, s.median,
              s.p99, s.worst);
  bench::figure(std::string(what) + ": mean", s.mean, "ms");
  bench::figure(std::string(what) + ": p99", s.p99, "ms");
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
          bench::timeRuns(2000, [&] { form.SendCommand("F?", reply, 100); }));
    print("exchange with a silent peer (100 ms time-out)",
          bench::timeRuns(20, [&] { form.SendCommand("?", reply, 100); }));
  }
  {
    tarn::test::BoardProcess board({"--model", "pellan2", "--no-pacing"});
    App app;
    Form1& form = app.form();
    print("connection check, instant board (4 exchanges)", bench::timeRuns(200, [&] {
            form.Button1.userClick();  // connect and check
            form.Button1.userClick();  // disconnect
          }));
  }
  {
    tarn::test::BoardProcess board({"--model", "pellan2"});
    App app;
    Form1& form = app.form();
    print("connection check, board at 115200 baud", bench::timeRuns(50, [&] {
            form.Button1.userClick();
            form.Button1.userClick();
          }));
  }
  return 0;
}
