#pragma once

#include <array>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "acquisition/measurement.h"
#include "board/profile.h"

namespace tarn {

// The number of a sample text: binary data are unsigned hexadecimal, mV data
// decimal; both by the program's one number rule.
double sampleValue(std::string_view text, DataFormat format);

struct Spread {
  double max, min;
  double width() const { return max - min; }
};

// The values of a measurement's records, each record read once: read as the
// records arrive, they serve every redraw of a live plot.
class SampleValues {
 public:
  explicit SampleValues(const MeasurementSettings& settings);
  // Reads the records after those read so far.
  void update(std::span<const SampleRecord> records);

  const MeasurementSettings& settings() const { return settings_; }
  size_t size() const { return read_; }
  // One field's values, CH0 or CH1; empty for a channel not measured.
  std::span<const double> field(int field) const { return values_[static_cast<size_t>(field)]; }
  // The largest and smallest value of one field over the records read, each
  // rounded to a 32-bit integer (halves to even; beyond 32 bits the nearest
  // 32-bit value). Binary data start from 0 and FFFFFF, mV data from fixed
  // bounds of ±500000, so data beyond those bounds leave the start value
  // standing.
  Spread spread(int field) const { return spread_[static_cast<size_t>(field)]; }

 private:
  MeasurementSettings settings_;
  size_t read_ = 0;
  std::array<std::vector<double>, 2> values_;
  std::array<Spread, 2> spread_;
};

// "CH0[digit pp]= 380", "[mV pp] : CH0=4.567, CH1=0.120": the peak-to-peak
// spread of each measured channel, mV data in the board's own unit.
std::string peakToPeakText(const SampleValues& values, const BoardProfile& board);
// The same for every record of a measurement.
std::string peakToPeakText(const Measurement& measurement, const BoardProfile& board);

}  // namespace tarn
