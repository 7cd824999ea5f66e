// The noise report of a full measurement, 65535 records of both channels: the
// core's analysis and page, their size, and a whole `tarnview-cli report` run
// on the saved file; the comparison of 12 such files, the core's and the whole
// program's, and its page's size; the Allan deviation and the rms noise's
// interval of one channel's 65535 values on their own; and the sweep's report
// of 12 rates of 65535 records of both channels, what `tarnview-cli sweep` does
// once the runs have ended.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "datafile/csv_lines.h"
#include "figures.h"
#include "full_measurement.h"
#include "report/comparison.h"
#include "report/report.h"
#include "report/sweep_report.h"

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

// Every rate of the Pellan2's Sinc5+Sinc1 filter, 65535 records of both
// channels each: white noise of the simulated board's model, 5 µV rms x
// sqrt(rate / 31250 sps), as codes of the ±2.5V range.
std::vector<tarn::SweepRun> sweepRuns() {
  const tarn::BoardProfile& board = *tarn::boardByKey("pellan2");
  std::mt19937 random(1);
  std::normal_distribution<double> normal;
  std::vector<tarn::SweepRun> runs;
  for (size_t code = 0; code < board.ratesSinc5.size(); ++code) {
    const std::string rate(board.ratesSinc5[code]);
    const double sd = 5.0 * std::sqrt(*tarn::rateHzOf(rate) / 31250) / (5e6 / 16777216);
    tarn::SweepRun& run = runs.emplace_back(tarn::SweepRun{
        {static_cast<int>(code), bench::kRecords}, rate, tarn::SweepRun::End::Finished, {}});
    run.measurement.emplace(
        tarn::measurementSettings(tarn::DataFormat::Binary, tarn::Channels::Both, bench::kRecords,
                                  static_cast<int>(code), rate, "±2.5V / IntRef / Sinc5+Sinc1", {}),
        true);
    std::string stream;
    char text[16];
    for (int32_t i = 0; i < bench::kRecords; ++i) {
      std::snprintf(text, sizeof text, "%06X%06X\r",
                    static_cast<unsigned>(8388608 + std::lround(sd * normal(random))),
                    static_cast<unsigned>(8000000 + std::lround(sd * normal(random))));
      stream += text;
    }
    if (run.measurement->feed(stream) != tarn::Measurement::State::Finished) std::exit(1);
  }
  return runs;
}

// The runs' analyses, the page and its file, as `tarnview-cli sweep` makes them.
void sweepReport() {
  const std::vector<tarn::SweepRun> runs = sweepRuns();
  const std::string out = "/tmp/bench_sweep_report.html";
  size_t size = 0;
  const auto report = [&] {
    std::vector<std::vector<tarn::ChannelAnalysis>> analyses;
    analyses.reserve(runs.size());
    std::vector<tarn::SweepReportRun> reportRuns;
    for (const tarn::SweepRun& run : runs) {
      analyses.push_back(
          tarn::analyseNoise(run.measurement->settings(), run.measurement->records(), 1000));
      reportRuns.push_back({run, analyses.back(), "sweep/rate-00-1.25sps.csv"});
    }
    const std::string html = tarn::sweepReportHtml(
        {"Pellan2", "ident", "±2.5V / IntRef / Sinc5+Sinc1", tarn::DataFormat::Binary,
         tarn::Channels::Both, "inputs shorted", "2026/12/08 9:30:00", "bench"},
        reportRuns);
    std::ofstream(out, std::ios::binary) << html;
    size = html.size();
  };
  const auto s = bench::spread(bench::timeRuns(5, report));
  std::printf("%-44s best %8.2f ms   median %8.2f ms   worst %8.2f ms\n",
              "sweep report, 12 runs (analyses, page, file)", s.best, s.median, s.worst);
  std::printf("  sweep report of 12 runs: %zu bytes (%.2f MB)\n", size,
              static_cast<double>(size) / 1e6);
  bench::figure("sweep report of 12 runs of 65535 x 2 records: median", s.median, "ms");
  bench::figure("sweep report of 12 runs of 65535 x 2 records: size",
                static_cast<double>(size) / 1e6, "MB");
  std::remove(out.c_str());
}

}  // namespace

int main() {
  errorBars();
  sweepReport();
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
  double childCpu = 0;  // ms, of the last run
  const auto run = [&](std::vector<std::string> args) {
    args.insert(args.begin(), TARNVIEW_CLI_PATH);
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
      dup2(open("/dev/null", O_WRONLY), STDOUT_FILENO);  // the figures' text
      execv(TARNVIEW_CLI_PATH, argv.data());
      _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    childCpu = (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
               (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
      std::fprintf(stderr, "tarnview-cli report failed\n");
      std::exit(1);
    }
  };
  bench::printTimings("tarnview-cli report FILE.csv, binary", bench::timeRuns(kRuns, [&] {
                        run({"report", csv, "--out", out});
                      }));

  // Twelve runs compared: the core's analysis and page, then the whole program.
  constexpr int kCompared = 12;
  const tarn::Measurement m = bench::fullMeasurement(true);
  std::string page;
  bench::printTimings(
      "analysis + comparison page, 12 runs", bench::timeRuns(3, [&] {
        std::vector<std::vector<tarn::ChannelAnalysis>> analyses;
        std::vector<tarn::ComparedRun> runs;
        for (int i = 0; i < kCompared; ++i)
          analyses.push_back(tarn::analyseNoise(m.settings(), m.records(), 1000));
        for (const auto& a : analyses)
          runs.push_back({"run.csv", {m.settings(), m.received(), "Pellan2", "-"}, a});
        page = tarn::comparisonHtml(runs);
      }));
  std::vector<std::string> args = {"report"};
  for (int i = 0; i < kCompared; ++i) {
    args.push_back("/tmp/bench_report_" + std::to_string(i) + ".csv");
    std::filesystem::copy_file(csv, args.back(), std::filesystem::copy_options::overwrite_existing);
  }
  args.insert(args.end(), {"--out", out});
  std::vector<double> cpu;
  const auto whole = bench::spread(bench::timeRuns(5, [&] {
    run(args);
    cpu.push_back(childCpu);
  }));
  std::sort(cpu.begin(), cpu.end());
  const auto size = static_cast<double>(std::filesystem::file_size(out));
  std::printf("%-44s best %8.1f ms   median %8.1f ms   worst %8.1f ms   (CPU median %.1f ms)\n",
              "tarnview-cli report of 12 files, whole", whole.best, whole.median, whole.worst,
              cpu[cpu.size() / 2]);
  std::printf("  comparison page of 12 runs: %zu bytes (core), %.0f bytes (program)\n", page.size(),
              size);
  bench::figure("tarnview-cli report of 12 files of 65535 x 2, whole program: median", whole.median,
                "ms");
  bench::figure("tarnview-cli report of 12 files of 65535 x 2, CPU: median", cpu[cpu.size() / 2],
                "ms");
  bench::figure("comparison page of 12 runs of 65535 x 2: size", size / 1e6, "MB");
  for (const std::string& a : args)
    if (a.ends_with(".csv")) std::remove(a.c_str());
  std::remove(csv.c_str());
  std::remove(out.c_str());
  return 0;
}
