#pragma once

#include <cstdint>
#include <vector>

#include "report/plot.h"

namespace tarn {

// The plot box's device pixels: `columns` × `rows` of them cover the box of
// `unitsWide` × `unitsHigh` plot units.
struct PixelGrid {
  int columns, rows;
  float unitsWide, unitsHigh;
};

// Pixels of one column, rows `top` to `bottom` inclusive.
struct PixelRun {
  int column, top, bottom;
  bool operator==(const PixelRun&) const = default;
};

// How a trace becomes pixels. Both give the same pixels for a trace whose
// points never step to the left, as plotOf's do:
//   EverySegment  each segment of the polyline on its own;
//   PerColumn     per column the span from the lowest to the highest point in
//                 it, joined to the neighbouring columns by one segment each.
// PerColumn costs what the pixels cost, whatever the number of points.
enum class Tracing { EverySegment, PerColumn };

// PerColumn when the trace has more points than the grid has columns.
Tracing tracingFor(const Trace& trace, const PixelGrid& grid);

// The trace as a line one pixel wide. A point stands on the pixel it falls
// in, clamped to the grid; a segment covers, in each column it crosses, the
// rows its centre line passes between the column's edges, a half rounded to
// the row below.
std::vector<PixelRun> traceRuns(const Trace& trace, const PixelGrid& grid, Tracing tracing);

// The whole picture: white, with the traces in their colours on it, row by
// row from the top; each pixel 0x00RRGGBB, as a 32-bit device-independent
// bitmap and a 32-bit image hold them.
std::vector<uint32_t> pixelsOf(const std::vector<Trace>& traces, const PixelGrid& grid);

}  // namespace tarn
