// The noise report of a full measurement, 65535 records of both channels: the
// core's analysis and page, their size, and a whole `tarnview-cli report` run
// on the saved file; and the Allan deviation and the rms noise's interval of
// one channel's 65535 values on their own.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "datafile/csv_lines.h"
#include "figures.h"
#include "full_measurement.h"
#include "report/report.h"

namespace {

constexpr int kRuns = 15;

// The analysis's error bars of CH0's 65535 values, each timed on its own.
void errorBars() {
  const tarn::Measurement m = bench::fullMeasurement(true);
  const std::vector<tarn::ChannelAnalysis> channels =
      tarn::analyseNoise(m.settings(), m.records(), 1000);
  const tarn::ChannelAnalysis& ch0 = channels.front();
  size_t points = 0;
  const auto allan = bench::spread(bench::timeRuns(
      kRuns * 4, [&] { points += tarn::allanDeviation(ch0.values, 1007.0).points.size(); }));
  std::printf("%-44s best %8.3f ms   median %8.3f ms   worst %8.3f ms   (%zu lengths)\n",
              "Allan deviation, 65535 values", allan.best, allan.median, allan.worst,
              points / (kRuns * 4));
  bench::figure("Allan deviation of 65535 values: median", allan.median, "ms");
  double low = 0;
  const auto interval = bench::spread(bench::timeRuns(
      kRuns * 4, [&] { low += tarn::sdInterval95(ch0.figures.sd, ch0.figures.count)->low; }));
  std::printf("%-44s best %8.3f ms   median %8.3f ms   worst %8.3f ms\n",
              "rms noise's 95 % interval, n = 65535", interval.best, interval.median,
              interval.worst);
  bench::figure("rms noise's 95 % interval, n = 65535: median", interval.median, "ms");
}

}  // namespace

int main() {
  errorBars();
  for (const bool binary : {true, false}) {
    const tarn::Measurement m = bench::fullMeasurement(binary);
    const std::string format = binary ? "binary" : "mV";
    std::string html;
    const auto report = [&] {
      const std::vector<tarn::ChannelAnalysis> channels =
          tarn::analyseNoise(m.settings(), m.records(), 1000);
      html = tarn::reportHtml({m.settings(), m.received(), "Pellan2", "2026/12/08"}, channels);
    };
    bench::printTimings("analysis + report page, " + format, bench::timeRuns(kRuns, report));
    std::printf("  report of %s data: %zu bytes\n", format.c_str(), html.size());
    bench::figure("report page of 65535 x 2 " + format + " records: size",
                  static_cast<double>(html.size()) / 1e6, "MB");
  }

  const std::string csv = "/tmp/bench_report.csv", out = "/tmp/bench_report.html";
  std::ofstream(csv, std::ios::binary)
      << tarn::datafile::csvText(bench::fullMeasurement(true), "2026/12/08 9:30:00");
  const auto run = [&] {
    const pid_t pid = fork();
    if (pid == 0) {
      dup2(open("/dev/null", O_WRONLY), STDOUT_FILENO);  // the figures' text
      execl(TARNVIEW_CLI_PATH, TARNVIEW_CLI_PATH, "report", csv.c_str(), "--out", out.c_str(),
            static_cast<char*>(nullptr));
      _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
      std::fprintf(stderr, "tarnview-cli report failed\n");
      std::exit(1);
    }
  };
  bench::printTimings("tarnview-cli report FILE.csv, binary", bench::timeRuns(kRuns, run));
  std::remove(csv.c_str());
  std::remove(out.c_str());
  return 0;
}
