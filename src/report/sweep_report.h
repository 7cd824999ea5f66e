#pragma once

#include <span>
#include <string>
#include <string_view>

#include "acquisition/sweep.h"
#include "analysis/noise_analysis.h"

namespace tarn {

// The conditions a sweep ran under, as its report states them first.
struct SweepConditions {
  std::string_view boardName;  // "Pellan2"
  std::string_view ident;      // the board's answer to "?"
  std::string_view settings;   // "±2.5V / IntRef / Sinc5+Sinc1"
  DataFormat format = DataFormat::Binary;
  Channels channels = Channels::Ch0;
  std::string_view note;      // the user's, such as "inputs shorted at the connector"
  std::string_view dateTime;  // the sweep's start, as the data file gives a date
  std::string_view program;   // "tarnview-cli 0.1.0"
};

// One run of the sweep with its analysis (none without a valid record) and
// its data file (empty when none was written), which the page names without
// its folder: the files lie beside the page.
struct SweepReportRun {
  const SweepRun& run;
  std::span<const ChannelAnalysis> channels;
  std::string_view file;
};

// The sweep's report, one HTML page that needs nothing else: the conditions;
// the noise table as a converter's datasheet gives it, a row per planned rate
// (how it ended, and per channel the rms and p-p noise, the rms noise's 95 %
// interval, the effective and noise-free bits and the noise density, in µV);
// the rms noise against the rate on log-log axes with white noise's slope;
// then each run with records as the single run's report shows it, headed by
// its rate and file.
std::string sweepReportHtml(const SweepConditions& conditions,
                            std::span<const SweepReportRun> runs);

}  // namespace tarn
