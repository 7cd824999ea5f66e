#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "acquisition/measurement.h"
#include "analysis/values.h"

namespace tarn {

// The values drawn at the top (y = 0), the middle and the bottom (y = height)
// of the plot. The range is symmetric about the centre and never narrower
// than 4.
struct PlotRange {
  int32_t top, centre, bottom;
  bool operator==(const PlotRange&) const = default;
};

// Fits the range around the data's maximum and minimum with a margin of a
// quarter of their spread (2 for a spread below 7). Halves round away from
// zero. A result outside 32 bits throws OverflowError.
PlotRange plotRange(int32_t maximum, int32_t minimum);

// A scale label: the integer as a digit text for binary data, in millivolts
// ("0.000") for mV data.
std::string scaleLabel(int32_t value, DataFormat format);

struct PlotPoint {
  float x, y;
  bool operator==(const PlotPoint&) const = default;
};

// One channel's polyline; the colour is 0x00BBGGRR.
struct Trace {
  uint32_t colour;
  std::vector<PlotPoint> points;
};

inline constexpr uint32_t kTraceBlue = 0xFF0000;  // CH0
inline constexpr uint32_t kTraceRed = 0x0000FF;   // CH1

// Makes a trace of values given in order, each at its x. Of values that share
// an x (they stand on one vertical line) it keeps the first, the lowest, the
// highest and the last, in their order: drawn, they give the same pixels as
// all of them, and a long measurement draws in the time its width takes.
// `toY` places a kept value on the y axis, larger values higher.
class TraceBuilder {
 public:
  TraceBuilder(uint32_t colour, std::function<float(double)> toY)
      : trace_{colour, {}}, toY_(std::move(toY)) {}
  void add(float x, double value) {
    const Kept kept{value, added_++};
    if (kept.order == 0 || x != x_) {
      if (kept.order > 0) flush();
      x_ = x;
      first_ = low_ = high_ = last_ = kept;
      return;
    }
    if (value < low_.value) low_ = kept;
    if (value > high_.value) high_ = kept;
    last_ = kept;
  }
  Trace finish();

 private:
  struct Kept {
    double value;
    size_t order;
  };
  void flush();
  Trace trace_;
  std::function<float(double)> toY_;
  size_t added_ = 0;
  float x_ = 0;
  Kept first_{}, low_{}, high_{}, last_{};
};

// The whole picture: the three scale labels (top, middle, bottom) and the
// traces in drawing order, CH1 over CH0.
struct Plot {
  std::array<std::string, 3> labels;
  std::vector<Trace> traces;
};

// The plot of the records' values in a box `width` × `height` (y grows
// downwards). Record i stands at x = floor(i * width / (n - 1) + 0.5), the
// step taken as a 32-bit float (records that share an x as TraceBuilder keeps
// them). Fewer than two records draw no trace. Nothing when the range does not fit
// 32 bits.
std::optional<Plot> plotOf(const SampleValues& values, float width, float height);

}  // namespace tarn
