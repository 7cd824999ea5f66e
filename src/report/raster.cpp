#include "report/raster.h"

#include <algorithm>
#include <cstdint>
#include <utility>

namespace tarn {
namespace {

struct Pixel {
  int column, row;
};

// Plot units to the pixels they fall in.
class PixelMap {
 public:
  explicit PixelMap(const PixelGrid& grid)
      : xScale_(grid.columns / static_cast<double>(grid.unitsWide)),
        yScale_(grid.rows / static_cast<double>(grid.unitsHigh)),
        lastColumn_(grid.columns - 1),
        lastRow_(grid.rows - 1) {}
  Pixel operator()(const PlotPoint& p) const {
    return {cell(p.x * xScale_, lastColumn_), cell(p.y * yScale_, lastRow_)};
  }

 private:
  static int cell(double at, int last) {
    return !(at > 0) ? 0 : at >= last ? last : static_cast<int>(at);  // NaN too
  }
  double xScale_, yScale_;
  int lastColumn_, lastRow_;
};

int64_t floorDiv(int64_t a, int64_t b) { return a / b - (a % b != 0 && (a < 0) != (b < 0)); }

// The segment from pixel a to pixel b. Within a column it covers the rows
// between the line's heights at the column's left and right edges (or at its
// ends); heights are taken in half columns so that all of it stays integer.
void addSegment(Pixel a, Pixel b, std::vector<PixelRun>& runs) {
  if (a.column > b.column) std::swap(a, b);
  if (a.column == b.column) {
    runs.push_back({a.column, std::min(a.row, b.row), std::max(a.row, b.row)});
    return;
  }
  const int64_t dx = b.column - a.column, dy = b.row - a.row;
  // The row at `halves` half columns right of a, a half to the row below.
  const auto rowAt = [&](int64_t halves) {
    return static_cast<int>(floorDiv(2 * dx * a.row + dy * halves + dx, 2 * dx));
  };
  for (int64_t k = 0; k <= dx; ++k) {
    const int first = rowAt(std::max<int64_t>(2 * k - 1, 0));
    const int last = rowAt(std::min<int64_t>(2 * k + 1, 2 * dx));
    runs.push_back({a.column + static_cast<int>(k), std::min(first, last), std::max(first, last)});
  }
}

std::vector<PixelRun> everySegment(const std::vector<PlotPoint>& points, const PixelMap& pixelOf) {
  std::vector<PixelRun> runs;
  Pixel previous = pixelOf(points.front());
  if (points.size() == 1) addSegment(previous, previous, runs);
  for (size_t i = 1; i < points.size(); ++i) {
    const Pixel next = pixelOf(points[i]);
    addSegment(previous, next, runs);
    previous = next;
  }
  return runs;
}

// The segments inside one column add nothing to the span of its points, so
// only the span and the segments between columns are drawn.
std::vector<PixelRun> perColumn(const std::vector<PlotPoint>& points, const PixelMap& pixelOf,
                                int columns) {
  std::vector<PixelRun> runs;
  runs.reserve(3 * static_cast<size_t>(columns));
  size_t i = 0;
  Pixel last{};
  Pixel p = pixelOf(points.front());
  while (i < points.size()) {
    const Pixel first = p;
    if (i > 0) addSegment(last, first, runs);
    PixelRun span{first.column, first.row, first.row};
    last = first;
    for (++i; i < points.size(); ++i) {
      p = pixelOf(points[i]);
      if (p.column != first.column) break;
      span.top = std::min(span.top, p.row);
      span.bottom = std::max(span.bottom, p.row);
      last = p;
    }
    runs.push_back(span);
  }
  return runs;
}

}  // namespace

Tracing tracingFor(const Trace& trace, const PixelGrid& grid) {
  return trace.points.size() > static_cast<size_t>(grid.columns) ? Tracing::PerColumn
                                                                 : Tracing::EverySegment;
}

std::vector<PixelRun> traceRuns(const Trace& trace, const PixelGrid& grid, Tracing tracing) {
  if (trace.points.empty() || grid.columns <= 0 || grid.rows <= 0) return {};
  const PixelMap pixelOf(grid);
  return tracing == Tracing::PerColumn ? perColumn(trace.points, pixelOf, grid.columns)
                                       : everySegment(trace.points, pixelOf);
}

}  // namespace tarn

namespace tarn {

std::vector<uint32_t> pixelsOf(const std::vector<Trace>& traces, const PixelGrid& grid) {
  if (grid.columns <= 0 || grid.rows <= 0) return {};
  std::vector<uint32_t> pixels(static_cast<size_t>(grid.columns) * static_cast<size_t>(grid.rows),
                               0xFFFFFF);
  for (const Trace& trace : traces) {
    // 0x00BBGGRR to 0x00RRGGBB.
    const uint32_t ink =
        (trace.colour & 0xFF) << 16 | (trace.colour & 0xFF00) | (trace.colour >> 16 & 0xFF);
    for (const PixelRun& run : traceRuns(trace, grid, tracingFor(trace, grid)))
      for (int row = run.top; row <= run.bottom; ++row)
        pixels[static_cast<size_t>(row) * static_cast<size_t>(grid.columns) +
               static_cast<size_t>(run.column)] = ink;
  }
  return pixels;
}

}  // namespace tarn
