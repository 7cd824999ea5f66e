// Reception speed: the measurement's record cutting alone, the presenter on an
// in-memory port (summary and plot included), then whole measurements through
// the pseudo-terminal and the real window, unpaced and at the board's real
// pace.
#include <sys/resource.h>

#include <QApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <deque>
#include <optional>
#include <string>
#include <utility>

#include "common/system_clock.h"
#include "figures.h"
#include "full_measurement.h"
#include "support/board_process.h"
#include "support/pump.h"
#include "ui/presenter.h"
#include "ui/qt/app.h"
#include "ui/qt/qt_datafile.h"

using namespace std::chrono;

namespace {

double seconds(steady_clock::duration d) { return duration<double>(d).count(); }

double cpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
         (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

void printSpeed(const std::string& what, const std::string& stream, double best) {
  std::printf("%-58s %8.1f M chars/s (%.1f ms for %zu chars)\n", what.c_str(),
              stream.size() / best / 1e6, best * 1e3, stream.size());
  bench::figure(what, stream.size() / best / 1e6, "M chars/s");
}

[[noreturn]] void incomplete(const std::string& what, int32_t received) {
  std::fprintf(stderr, "%s: %d records of %d\n", what.c_str(), received, bench::kRecords);
  std::exit(1);
}

// Measurement::feed alone: 65535 two-channel binary records arriving in reads
// of `chunk` characters, as a serial driver hands them over.
void feedAlone(const std::string& stream, size_t chunk) {
  const std::string what = "Measurement::feed, reads of " + std::to_string(chunk) + " chars";
  double best = 1e9;
  for (int run = 0; run < 5; ++run) {
    tarn::Measurement m(bench::fullSettings(true), true);
    const auto t0 = steady_clock::now();
    for (size_t at = 0; at < stream.size(); at += chunk)
      m.feed(std::string_view(stream).substr(at, chunk));
    best = std::min(best, seconds(steady_clock::now() - t0));
    if (m.received() != bench::kRecords) incomplete(what, m.received());
  }
  printSpeed(what, stream, best);
}

// The board for the presenter alone: it answers the connection check and the
// rate, then hands over the queued stream one read at a time. The presenter
// never saves here, and its plot only counts what it is given.
class QueuedBoard : public tarn::BytePort,
                    public tarn::PlotSurface,
                    public tarn::SaveDialog,
                    public tarn::MessageBox,
                    public tarn::Opener {
 public:
  std::deque<std::string> reads;
  int draws = 0;

  void open(const std::string&, const tarn::LineSettings&) override { open_ = true; }
  void close() override { open_ = false; }
  bool isOpen() const override { return open_; }
  void purge() override { reads.clear(); }
  void write(std::string_view bytes) override {
    for (const auto& [command, reply] : kReplies)
      if (bytes == command) reads.emplace_back(reply);
  }
  std::string read() override {
    if (reads.empty()) return {};
    std::string chunk = std::move(reads.front());
    reads.pop_front();
    return chunk;
  }
  void waitForInput(tarn::SteadyTime) override {}
  void clear() override {}
  void draw(std::vector<tarn::Trace>) override { ++draws; }
  bool savePicture(const std::string&) override { return false; }
  bool open(const std::string&) override { return false; }
  std::optional<std::string> askSavePath(const tarn::SaveRequest&) override { return {}; }
  std::optional<std::string> askFolder(const tarn::SaveRequest&) override { return {}; }
  std::vector<std::string> askOpenPaths(const tarn::SaveRequest&) override { return {}; }
  void tell(const std::string&) override {}
  bool ask(const std::string&) override { return false; }

 private:
  static constexpr std::pair<std::string_view, std::string_view> kReplies[] = {
      {"?\r", "tb\r"}, {"S?\r", "S05\r"}, {"F?\r", "F3\r"}, {"F3\r", "OK\r"}};
  bool open_ = false;
};

// The same through the presenter: each read taken from the port, the progress
// shown, and at the end the summary and the plot.
void throughPresenter(const std::string& stream, size_t chunk) {
  const std::string what = "presenter, reads of " + std::to_string(chunk) + " chars";
  QueuedBoard board;
  tarn::SystemClock clock;
  tarn::QtFileStore files;
  tarn::Presenter p({board, clock, board, board, board, files, board}, tarn::currentBoards());
  p.connectButton.userClick();
  p.sampleCount.setText(std::to_string(bench::kRecords));
  p.channelList.userSelect(2);
  double best = 1e9;
  for (int run = 0; run < 5; ++run) {
    p.measureButton.userClick();
    for (size_t at = 0; at < stream.size(); at += chunk)
      board.reads.push_back(stream.substr(at, chunk));
    const auto t0 = steady_clock::now();
    while (!board.reads.empty()) p.received();
    best = std::min(best, seconds(steady_clock::now() - t0));
    const tarn::Measurement* m = p.measurement();
    if (!m || m->received() != bench::kRecords || board.draws != run + 1)
      incomplete(what, m ? m->received() : 0);
  }
  printSpeed(what + " (summary and plot included)", stream, best);
}

// A whole measurement against the simulated board through the window.
void endToEnd(const char* label, std::vector<std::string> boardArgs, int count) {
  boardArgs.insert(boardArgs.begin(), {"--model", "pellan2", "--rate", "B"});
  tarn::test::BoardProcess board(boardArgs);
  tarn::App app(tarn::currentBoards());
  tarn::Presenter& p = app.presenter();
  p.connectButton.userClick();
  p.sampleCount.setText(std::to_string(count));
  p.channelList.userSelect(2);
  const double cpu0 = cpuSeconds();
  const auto t0 = steady_clock::now();
  p.measureButton.userClick();
  tarn::test::pumpUntil([&] { return !p.measuring(); }, 600000);
  const double took = seconds(steady_clock::now() - t0);
  const double cpu = cpuSeconds() - cpu0;
  const double wire = count * 13 * 10 / 115200.0;
  const int32_t received = p.measurement() ? p.measurement()->received() : 0;
  std::printf("%-34s %6d records: %7.3f s, wire time %7.3f s, ratio %.4f, CPU %.3f s (%.1f %%)%s\n",
              label, received, took, wire, took / wire, cpu, 100 * cpu / took,
              received == count ? "" : "  INCOMPLETE");
  const std::string what = std::string(label) + ", " + std::to_string(count) + " records";
  bench::figure(what + ": time", took, "s");
  bench::figure(what + ": reception", count * 13 / took, "chars/s");
  bench::figure(what + ": time / wire time", took / wire, "ratio");
  bench::figure(what + ": CPU", 100 * cpu / took, "% of a core");
  if (received != count) bench::figure(what + ": INCOMPLETE", received, "records");
}

}  // namespace

int main(int argc, char** argv) {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication qapp(argc, argv);
  const std::string stream = bench::fullStream(true);
  for (size_t chunk : {13u, 1024u, 65536u}) feedAlone(stream, chunk);
  for (size_t chunk : {13u, 1024u, 65536u}) throughPresenter(stream, chunk);
  endToEnd("end to end, unpaced", {"--no-pacing"}, 65535);
  endToEnd("end to end, paced at 115200 baud", {}, 2000);
  return 0;
}
