#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
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

// Makes a trace of values given in order, a column at a time: values that
// share an x (they stand on one vertical line). Of a column it keeps the
// first, the lowest, the highest and the last, in their order: drawn, they
// give the same pixels as all of them, and a long measurement draws in the
// time its width takes. `toY` places a kept value on the y axis, larger
// values higher; it runs for every kept point of every redraw, so it is
// called directly, not through a std::function.
template <typename ToY>
class TraceBuilder {
 public:
  TraceBuilder(uint32_t colour, ToY toY) : trace_{colour, {}}, toY_(std::move(toY)) {}
  void reserve(size_t points) { trace_.points.reserve(points); }
  // The values at one x, right of those added before; none adds nothing. Of
  // equal values the first is the lowest or the highest.
  void addColumn(float x, std::span<const double> column) {
    if (column.empty()) return;
    flush();
    x_ = x;
    const auto kept = [&](auto at) {
      return Kept{*at, added_ + static_cast<size_t>(at - column.begin())};
    };
    first_ = kept(column.begin());
    low_ = kept(std::min_element(column.begin(), column.end()));
    high_ = kept(std::max_element(column.begin(), column.end()));
    last_ = kept(column.end() - 1);
    added_ += column.size();
  }
  Trace finish() {
    flush();
    return std::move(trace_);
  }

 private:
  struct Kept {
    double value;
    size_t order;
  };
  void flush() {
    if (added_ == 0) return;
    const auto [early, late] =
        std::minmax(low_, high_, [](const Kept& a, const Kept& b) { return a.order < b.order; });
    std::vector<PlotPoint>& points = trace_.points;
    points.push_back({x_, toY_(first_.value)});
    for (const Kept* k : {&early, &late})
      if (k->order != first_.order && k->order != last_.order &&
          (k == &early || late.order != early.order))
        points.push_back({x_, toY_(k->value)});
    if (last_.order != first_.order) points.push_back({x_, toY_(last_.value)});
  }
  Trace trace_;
  ToY toY_;
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
