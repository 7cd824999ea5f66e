#include "workflow/sweeping.h"

#include "acquisition/acquisition_texts.h"
#include "board/board_texts.h"
#include "datafile/csv_lines.h"
#include "datafile/datafile_texts.h"
#include "datafile/save.h"
#include "workflow/files.h"

namespace tarn {

std::string inFolder(const std::string& folder, const std::string& name) {
  const char last = folder.back();
  return folder + (last == '/' || last == '\\' ? "" : "/") + name;
}

SweepPlan sweepPlan(const BoardCheck& check, std::span<const std::string> rates, int32_t count,
                    std::optional<double> seconds) {
  std::vector<std::string> all;
  for (size_t code = 0; rates.empty() && code < check.rates.size(); ++code)
    all.push_back(std::to_string(code));
  SweepPlan plan;
  for (const std::string& rate : rates.empty() ? std::span<const std::string>(all) : rates) {
    const std::optional<int> code = rateCodeIn(check.rates, rate);
    if (!code)
      return {{}, "'" + rate + "' is not offered with this filter (" + check.settings + ")"};
    const std::optional<double> hz = rateHzOf(check.rates[static_cast<size_t>(*code)]);
    plan.steps.push_back({*code, seconds     ? sweepCount(hz.value_or(0), *seconds)
                                 : count > 0 ? count
                                             : kSweepMinimumCount});
  }
  return plan;
}

std::vector<std::string> runSweep(Reception& reception, Sweep& sweep, Clock& clock,
                                  const std::string& folder,
                                  const std::function<void(const std::string&)>& saveFailed,
                                  const std::function<void()>& onPass) {
  std::vector<std::string> files(sweep.runs().size());
  size_t saved = 0;
  const auto saveEnded = [&] {
    for (; saved < sweep.ended(); ++saved) {
      const SweepRun& run = sweep.runs()[saved];
      if (!run.measurement || run.measurement->received() == 0) continue;
      const std::string path = inFolder(folder, sweepFileName(run));
      try {
        saveDataFile(run.measurement->settings(), run.measurement->records(),
                     datafile::dateTimeText(clock.localNow()), path);
        files[saved] = path;
      } catch (const FileError& e) {
        saveFailed(std::string(datafile_texts::kSaveFailed) + " (" + e.what() + ")");
      }
    }
  };
  try {
    sweep.start();
    saveEnded();
    const bool stopped = sweep.running() && reception.pump([&](std::string_view chars) {
      sweep.feed(chars);
      saveEnded();
      onPass();
      return sweep.running();
    });
    if (stopped) sweep.stop();
  } catch (const PortError&) {
    sweep.portLost();
  }
  saveEnded();
  return files;
}

std::vector<std::string> sweepProblems(const Sweep& sweep,
                                       std::span<const std::string_view> rates) {
  namespace at = acquisition_texts;
  std::vector<std::string> problems;
  size_t unfinished = 0;
  for (const SweepRun& run : sweep.runs()) unfinished += run.end != SweepRun::End::Finished;
  const SweepRun* lost = nullptr;
  for (const SweepRun& run : sweep.runs()) lost = run.end == SweepRun::End::PortLost ? &run : lost;
  const auto rate = static_cast<size_t>(sweep.foundRate());
  if (lost && lost->measurement)
    problems.push_back(at::kLostDuringMeasurement + std::to_string(lost->measurement->received()) +
                       at::kLostCountEnd);
  else if (sweep.portWasLost())
    problems.emplace_back(board_texts::kPortLost);
  else if (!sweep.rateRestored())
    problems.push_back("the rate was not set back to " + std::string(rates[rate]) + " (code " +
                       std::to_string(rate) + "): " + board_texts::kRateNotSet);
  if (unfinished > 0)
    problems.push_back("sweep: " + std::to_string(unfinished) + " of " +
                       std::to_string(sweep.runs().size()) + " rates did not finish");
  return problems;
}

SweepResults sweepResults(const Sweep& sweep, std::span<const std::string> files,
                          const SweepConditions& conditions, const std::string& folder,
                          double mvSummaryDivisor) {
  SweepResults results;
  std::vector<SweepReportRun> reportRuns;
  results.figures.reserve(files.size());
  for (size_t i = 0; i < sweep.runs().size(); ++i) {
    const SweepRun& run = sweep.runs()[i];
    const bool measured = run.measurement && run.measurement->received() > 0;
    results.figures.push_back(measured ? analyseNoise(run.measurement->settings(),
                                                      run.measurement->records(), mvSummaryDivisor)
                                       : std::vector<ChannelAnalysis>());
    reportRuns.push_back({run, results.figures.back(), files[i]});
  }
  const std::string path = inFolder(folder, "report.html");
  try {
    replaceFile(path, sweepReportHtml(conditions, reportRuns));
    results.report = path;
  } catch (const FileError& e) {
    results.error = "cannot write the report " + path + ": " + e.what();
  }
  return results;
}

}  // namespace tarn
