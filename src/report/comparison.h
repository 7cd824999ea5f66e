#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "report/report.h"

namespace tarn {

// One run of a comparison: its name (the data file's), its header as its own
// report has it, and its channels analysed.
struct ComparedRun {
  std::string_view name;
  ReportHeader header;
  std::span<const ChannelAnalysis> channels;
};

// The unit runs are compared in: codes when every run is binary data of one
// input range (or every one of a range its settings do not name), mV when
// every run is mV data, and µV otherwise: codes × span / 2^24, mV × 1000.
enum class ComparisonUnit { Codes, Millivolts, Microvolts };
const char* unitName(ComparisonUnit unit);  // "codes", "mV", "µV"

struct Comparison {
  ComparisonUnit unit = ComparisonUnit::Codes;
  std::vector<int> channels;  // measured by every run: those compared
  std::vector<int> leftOut;   // measured by some runs only
};

// How the runs compare. Throws ReportError saying why they cannot: fewer
// than two, a run that gives no report (see checkReportable), no channel
// that every run measured, or binary data whose settings name no input range
// beside mV data or binary data of another range, which only µV could join.
Comparison comparisonOf(std::span<const ComparedRun> runs);

// A figure of the channel (in codes or mV) in the comparison's unit.
double inUnit(const ChannelAnalysis& channel, ComparisonUnit unit, double figure);

// A run's rms noise against the first run's on one channel, in the
// comparison's unit: a real difference when their 95 % intervals do not
// overlap, within the spread when they do, unknown without an interval
// (fewer than 2 values).
enum class SdVerdict { Real, WithinSpread, Unknown };
struct SdDifference {
  SdVerdict verdict = SdVerdict::Unknown;
  std::optional<double> percent;  // sd / the first run's sd − 1; nothing when that sd is 0
};
SdDifference sdDifference(const ChannelAnalysis& first, const ChannelAnalysis& run,
                          ComparisonUnit unit);
// "real, 25.04 % higher", "within the spread, 0.31 % lower", "unknown (fewer
// than 2 values)"; as markup, the verdict strong and the number a span.
std::string differenceText(const SdDifference& difference, bool markup = false);

// The comparison page, as self-contained as the noise report and laid out
// for A4 alike: the runs' conditions side by side, one table of figures with
// a column per run (each run's rms noise against the first run's), then per
// channel the spectra and the histograms overlaid, each run in its colour,
// and the waveforms one above the other. Throws ReportError as comparisonOf
// does.
std::string comparisonHtml(std::span<const ComparedRun> runs);

}  // namespace tarn
