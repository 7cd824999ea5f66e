// Reception speed: the stream handler alone on an in-memory port, then whole
// measurements through the pseudo-terminal and the real window, unpaced and
// at the board's real pace.
#include <sys/resource.h>

#include <QApplication>
#include <chrono>
#include <cstdio>

#include "figures.h"
#include "support/board_process.h"
#include "support/fakes.h"
#include "support/pump.h"
#include "ui/form1.h"
#include "ui/qt/app.h"

using namespace std::chrono;

namespace {

double seconds(steady_clock::duration d) { return duration<double>(d).count(); }

double cpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
         (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// The handler alone: 65535 two-channel binary records arriving in reads of
// `chunk` characters, as a serial driver hands them over.
void handlerAlone(size_t chunk) {
  tarn::test::FormFixture f;
  f.openPort();
  f.port.replies["FF"] = {"OK\r"};
  f.form->Text1.setText("65535");
  f.form->Combo2.setListIndex(2);
  std::string stream;
  for (int i = 0; i < 65535; ++i) stream += (i % 2 ? "7FFFA280001C\r" : "800011801234\r");
  double best = 1e9;
  for (int run = 0; run < 5; ++run) {
    f.form->SendB2_Click();
    for (size_t at = 0; at < stream.size(); at += chunk)
      f.port.pending.push_back(stream.substr(at, chunk));
    const auto t0 = steady_clock::now();
    while (!f.port.pending.empty()) f.form->MSComm1_OnComm();
    best = std::min(best, seconds(steady_clock::now() - t0));
  }
  std::printf(
      "handler alone, reads of %5zu chars: %8.1f M chars/s (%.1f ms for %zu chars, "
      "summary and plot included)\n",
      chunk, stream.size() / best / 1e6, best * 1e3, stream.size());
  bench::figure("handler alone, reads of " + std::to_string(chunk) + " chars",
                stream.size() / best / 1e6, "M chars/s");
}

// A whole measurement against the simulated board through the window.
void endToEnd(const char* label, std::vector<std::string> boardArgs, int count) {
  boardArgs.insert(boardArgs.begin(), {"--model", "pellan2", "--rate", "B"});
  tarn::test::BoardProcess board(boardArgs);
  tarn::App app;
  tarn::Form1& w = app.form();
  w.Button1.userClick();
  w.Text1.setText(std::to_string(count));
  w.Combo2.userSelect(2);
  const double cpu0 = cpuSeconds();
  const auto t0 = steady_clock::now();
  w.SendB2.userClick();
  tarn::test::pumpUntil([&] { return !w.state.Measuring; }, 600000);
  const double took = seconds(steady_clock::now() - t0);
  const double cpu = cpuSeconds() - cpu0;
  const double wire = count * 13 * 10 / 115200.0;
  std::printf("%-34s %6d records: %7.3f s, wire time %7.3f s, ratio %.4f, CPU %.3f s (%.1f %%)%s\n",
              label, w.state.SampleIndex, took, wire, took / wire, cpu, 100 * cpu / took,
              w.state.SampleIndex == count ? "" : "  INCOMPLETE");
  const std::string what = std::string(label) + ", " + std::to_string(count) + " records";
  bench::figure(what + ": time", took, "s");
  bench::figure(what + ": reception", count * 13 / took, "chars/s");
  bench::figure(what + ": time / wire time", took / wire, "ratio");
  bench::figure(what + ": CPU", 100 * cpu / took, "% of a core");
  if (w.state.SampleIndex != count)
    bench::figure(what + ": INCOMPLETE", w.state.SampleIndex, "records");
}

}  // namespace

int main(int argc, char** argv) {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication qapp(argc, argv);
  for (size_t chunk : {13u, 1024u, 65536u}) handlerAlone(chunk);
  endToEnd("end to end, unpaced", {"--no-pacing"}, 65535);
  endToEnd("end to end, paced at 115200 baud", {}, 2000);
  return 0;
}
