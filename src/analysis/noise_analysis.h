#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "acquisition/measurement.h"
#include "analysis/allan.h"
#include "analysis/chi_square.h"
#include "analysis/noise.h"
#include "analysis/spectrum.h"

namespace tarn {

// The board's input range as its settings text begins ("±2.5V / IntRef / ..."):
// ±2.5 V spans 5 V, ±5 V spans 10 V, over the 2^24 codes.
struct InputRange {
  std::string text;  // "±2.5V"
  double volts;      // the span
  double microvoltsPerCode() const { return volts * 1e6 / 16777216.0; }
};
std::optional<InputRange> inputRangeOf(std::string_view boardSettings);

// Counts of the values in bins of `width` from `first` (a bin's lower edge).
struct Histogram {
  double first = 0, width = 1;
  std::vector<int64_t> counts;
};

// The most bins a histogram has: one bin per step of the values while their
// spread allows, whole numbers of steps per bin beyond.
inline constexpr size_t kMostBins = 256;

// The histogram of values that lie on multiples of `step` (1 for codes), each
// bin centred on a multiple.
Histogram histogramOf(std::span<const double> values, double step);

// One measured channel: its values (codes, or mV), the noise figures with
// the 95 % interval of the rms noise and the Allan deviation, the histogram
// and, where the rate is known, the spectrum. Binary data with a known input
// range have their figures in µV as well.
struct ChannelAnalysis {
  int channel = 0;
  DataFormat format = DataFormat::Binary;
  std::vector<double> values;
  NoiseFigures figures;
  std::optional<Interval> sdCi95;  // sdInterval95 of the figures; nothing below 2 values
  AllanDeviation allan;            // τ in seconds where the rate is known
  std::optional<InputRange> range;
  Histogram histogram;
  std::optional<Spectrum> spectrum;
  // A figure in codes as µV; nothing for mV data or an unknown range.
  std::optional<double> microvolts(double codes) const;
  const char* unit() const { return format == DataFormat::Binary ? "codes" : "mV"; }
};

// Every measured channel of the records; mV data divided by `mvDivisor`.
std::vector<ChannelAnalysis> analyseNoise(const MeasurementSettings& settings,
                                          std::span<const SampleRecord> records, double mvDivisor);

// Decimals of each figure, the same in every output: codes and µV 3, mV 4,
// densities in mV/√Hz 6, frequencies 2.
int decimalsOf(const ChannelAnalysis& channel);
int densityDecimalsOf(const ChannelAnalysis& channel);
inline constexpr int kMicrovoltDecimals = 3;
inline constexpr int kHzDecimals = 2;

// With exactly `decimals` decimals, "." always.
std::string fixedNumber(double value, int decimals);

// "50 Hz mains", "50 Hz mains, harmonic 3", or empty for another line.
std::string mainsName(const SpectralLine& line);

}  // namespace tarn
