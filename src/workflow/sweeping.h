#pragma once

#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "acquisition/sweep.h"
#include "analysis/noise_analysis.h"
#include "board/commands.h"
#include "report/sweep_report.h"
#include "workflow/reception.h"

namespace tarn {

// `name` in the sweep's folder.
std::string inFolder(const std::string& folder, const std::string& name);

// The plan of a sweep: each rate (a code or a text of the filter; none
// given: every rate) with `count` records, or as many as `seconds` take
// (sweepCount), or else kSweepMinimumCount. For a rate the filter does not
// offer, `error` says so and there are no steps.
struct SweepPlan {
  std::vector<SweepStep> steps;
  std::string error;
};
SweepPlan sweepPlan(const BoardCheck& check, std::span<const std::string> rates, int32_t count,
                    std::optional<double> seconds);

// Runs the sweep on the reception's port to its end, each run with records
// saved in `folder` as it ends (sweepFileName): a stop asked for stops it and
// a lost port ends it. `saveFailed` gets the message of a run that cannot be
// saved, `onPass` is called after each pass. The files written, one per
// planned run, empty where none was.
std::vector<std::string> runSweep(Reception& reception, Sweep& sweep, Clock& clock,
                                  const std::string& folder,
                                  const std::function<void(const std::string&)>& saveFailed,
                                  const std::function<void()>& onPass);

// What went wrong, each the program's message: the port lost during a run
// (with its records) or between them, the rate not set back, and the rates
// that did not finish. None when every rate finished and the rate is back.
std::vector<std::string> sweepProblems(const Sweep& sweep, std::span<const std::string_view> rates);

// Each run's figures (none without records), and the report written at
// `folder`/report.html: its path, or the message of why it could not be.
struct SweepResults {
  std::vector<std::vector<ChannelAnalysis>> figures;
  std::string report, error;
};
SweepResults sweepResults(const Sweep& sweep, std::span<const std::string> files,
                          const SweepConditions& conditions, const std::string& folder,
                          double mvSummaryDivisor);

}  // namespace tarn
