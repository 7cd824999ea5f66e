#include "report/plot.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "analysis/values.h"
#include "common/numbers.h"

namespace tarn {
namespace {

// One record divides the width by zero, which must give infinity.
static_assert(std::numeric_limits<double>::is_iec559);

float plotY(double value, float height, const PlotRange& range) {
  const double h = height;
  const double span = static_cast<double>(range.top) - range.bottom;
  return static_cast<float>(std::nearbyint(h - (value - range.bottom) * h / span));
}

Trace traceOf(std::span<const double> values, int field, float width, float height,
              const PlotRange& range) {
  const size_t n = values.size();
  const auto step = static_cast<double>(
      static_cast<float>(static_cast<double>(width) / (static_cast<double>(n) - 1)));
  // Positions are never negative: truncation is the floor, without a call.
  const auto xOf = [step](size_t i) {
    const double position = static_cast<double>(i) * step + 0.5;
    return static_cast<float>(static_cast<int64_t>(position));
  };
  TraceBuilder trace(field == 0 ? kTraceBlue : kTraceRed,
                     [height, &range](double value) { return plotY(value, height, range); });
  // At most four points a column: the trace is made once a live tick, in one piece.
  trace.reserve(std::min(n, 4 * (static_cast<size_t>(width) + 1)));
  for (size_t i = 0; i < n;) {
    const float x = xOf(i);
    size_t next = i + 1;
    while (next < n && xOf(next) == x) ++next;
    trace.addColumn(x, values.subspan(i, next - i));
    i = next;
  }
  return trace.finish();
}

}  // namespace

PlotRange plotRange(int32_t maximum, int32_t minimum) {
  const double high = maximum, low = minimum;
  const int32_t spread = toInt32(high - low);
  const int32_t centre = toInt32(roundHalfAway((high + low) / 2));
  // A flat or nearly flat signal still gets a margin of 2 each side.
  const int32_t top = spread <= 6 ? toInt32(high + 2) : toInt32(high + roundHalfAway(spread / 4.0));
  const int32_t bottom = toInt32(2.0 * centre - top);
  return {top, centre, bottom};
}

std::string scaleLabel(int32_t value, DataFormat format) {
  return format == DataFormat::Binary ? digitText(value) : fixedText(value / 1000.0, 3);
}

std::optional<Plot> plotOf(const SampleValues& values, float width, float height) {
  const MeasurementSettings& settings = values.settings();
  // The range spans every drawn channel together.
  const std::span<const int> fields = measuredFields(settings.channels);
  Spread all = values.spread(fields.front());
  for (int field : fields.subspan(1)) {
    const Spread s = values.spread(field);
    all = {std::max(all.max, s.max), std::min(all.min, s.min)};
  }
  PlotRange range{};
  try {
    range = plotRange(static_cast<int32_t>(all.max), static_cast<int32_t>(all.min));
  } catch (const OverflowError&) {
    return std::nullopt;
  }
  Plot plot;
  plot.labels = {scaleLabel(range.top, settings.format), scaleLabel(range.centre, settings.format),
                 scaleLabel(range.bottom, settings.format)};
  if (values.size() < 2) return plot;
  for (int field : fields)
    plot.traces.push_back(traceOf(values.field(field), field, width, height, range));
  return plot;
}

}  // namespace tarn
