// The plot's labels and traces, and their pixels: per column as drawing every
// segment, without gaps, whatever the number of records.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <random>

#include "report/plot.h"
#include "report/raster.h"
#include "support/fakes.h"

namespace tarn {
using enum DataFormat;
using enum Channels;
using test::fed;

static std::optional<Plot> plotted(const Measurement& m, float width = 6375) {
  SampleValues values(m.settings());
  values.update(m.records().first(m.records().size() / 2));  // read as they arrive
  values.update(m.records());
  return plotOf(values, width, 3435);
}

TEST(Plot, LabelsAndTraces) {
  // The range: a quarter of the spread each side, 2 below a spread of 7, halves away from 0.
  // clang-format off
  const struct { DataFormat format; Channels channels; std::string stream;
                 const char *labels, *drawing; float width = 6375; } cases[] = {
      {Binary, Ch0, "800000\r800000\r800000\r800000\r800000\r", " 8388610| 8388608| 8388606|",
       "FF0000 0,1718 1594,1718 3188,1718 4781,1718 6375,1718;"},
      {Millivolt, Ch0, "-0000107\r+0000000\r", "0.027|-0.054|-0.135|", "FF0000 0,2841 6375,572;"},
      // 12.5 counts as 12 for the range and is drawn as 12.5.
      {Millivolt, Ch0, "+0000000\r+00012.5\r", "0.015|0.006|-0.003|", "FF0000 0,2862 6375,477;"},
      {Binary, Ch1, "000064\r00006A\r", " 108| 103| 98|", "0000FF 0,2748 6375,687;"},
      {Binary, Both, "00006400006B\r00006B000064\r", " 109| 104| 99|",
       "FF0000 0,3092 6375,687;0000FF 0,687 6375,3092;"},
      {Binary, Ch0, "000064\r", " 102| 100| 98|", ""},
      // Ten records on a width of 3: x = floor(i * 3/9 + 0.5) puts 2, 3, 3 and 2 on each x.
      {Binary, Ch0, "000064\r00006C\r000065\r00005F\r000066\r000068\r00006E\r000062\r000067\r000064\r",
       " 114| 103| 92|", "FF0000 0,2186 0,937 1,2030 1,2967 1,1874 2,1561 2,625 2,2498 3,1718 3,2186;",
       3}};
  for (const auto& c : cases) {
    const Measurement m = fed(c.format, c.channels, c.stream);
    const Plot plot = plotted(m, c.width).value_or(Plot{});
    std::string labels, drawing;
    char text[48];
    for (const std::string& label : plot.labels) labels += label.empty() ? "" : label + "|";
    for (const Trace& t : plot.traces) {
      drawing += (std::snprintf(text, sizeof text, "%06X", t.colour), text);
      for (const PlotPoint& p : t.points)
        drawing += (std::snprintf(text, sizeof text, " %g,%g", double{p.x}, double{p.y}), text);
      drawing += ";";
    }
    EXPECT_EQ(labels, c.labels) << c.stream;
    EXPECT_EQ(drawing, c.drawing) << c.stream;
  }
  // Values beyond 32 bits, which no measurement keeps, are clamped and have no plot.
  SampleValues huge(fed(Millivolt, Ch0, "").settings());
  huge.update(std::vector<SampleRecord>{{{"+1.0E+12", ""}}, {{"-1.0E+12", ""}}});
  EXPECT_EQ(peakToPeakText(huge, currentBoards()[0]) + (plotOf(huge, 6375, 3435) ? "" : "."),
            "CH0[mV pp]=4294967.295.");
}

// The trace's pixels, `ink` where a trace passes, in drawing order.
static std::vector<uint32_t> paint(const Plot& plot, const PixelGrid& grid, Tracing tracing) {
  std::vector<uint32_t> pixels(static_cast<size_t>(grid.columns * grid.rows));
  // clang-format on
  for (const Trace& trace : plot.traces)
    for (const PixelRun& run : traceRuns(trace, grid, tracing))
      for (int row = run.top; row <= run.bottom; ++row)
        pixels[static_cast<size_t>(row * grid.columns + run.column)] = trace.colour | 1u << 24;
  return pixels;
}

TEST(Plot, PerColumnIsEverySegmentPixelForPixel) {
  std::mt19937 random(7);
  // clang-format off
  const std::function<int(int, int)> signals[] = {
      [&](int, int) { return static_cast<int>(random() % 20001) - 10000; },
      [](int i, int n) { return static_cast<int>(std::lround(3e6 * std::sin(i * 40.0 / n))); },
      [](int i, int n) { return i < n / 3 ? -50 : i < 2 * n / 3 ? 9000 : 4000; }};
  // clang-format on
  for (const int n : {65535, 700, 97})
    for (const auto& signal : signals)
      for (const DataFormat format : {Binary, Millivolt})
        for (const Channels channels : {Ch1, Both}) {
          // The longest run once a signal: the formats and channels are the short runs' rows.
          if (n == 65535 && (format == Millivolt || channels == Ch1)) continue;
          std::string stream;
          char text[32];
          for (int i = 0; i < n; ++i) {
            for (int field = 0; field < (channels == Both ? 2 : 1); ++field) {
              const int v = signal(i, n) + 1000 * field;
              stream += format == Binary
                            ? (std::snprintf(text, sizeof text, "%06X", 0x800000 + v), text)
                            : (std::snprintf(text, sizeof text, "%+08d", v), text);
            }
            stream += "\r";
          }
          const Measurement m = fed(format, channels, stream);
          ASSERT_EQ(m.received(), n);
          const Plot plot = plotted(m).value();
          for (const int scale : {1, 2}) {
            SCOPED_TRACE(testing::Message()
                         << n << " records, scale " << scale << ", signal " << &signal - signals
                         << ", format " << int(format) << ", channels " << int(channels));
            const PixelGrid grid{425 * scale, 229 * scale, 6375, 3435};
            const std::vector<uint32_t> full = paint(plot, grid, Tracing::EverySegment);
            EXPECT_EQ(paint(plot, grid, Tracing::PerColumn), full);
            // Each trace a line without gaps: every column inked, each next to the one before.
            for (const Trace& trace : plot.traces) {
              std::vector<std::pair<int, int>> span(static_cast<size_t>(grid.columns),
                                                    {1 << 30, -1});
              for (const PixelRun& run : traceRuns(trace, grid, Tracing::PerColumn)) {
                auto& [top, bottom] = span[static_cast<size_t>(run.column)];
                top = std::min(top, run.top), bottom = std::max(bottom, run.bottom);
              }
              for (size_t column = 0; column < span.size(); ++column) {
                ASSERT_LE(span[column].first, span[column].second) << "column " << column;
                if (column == 0) continue;
                EXPECT_TRUE(span[column].first <= span[column - 1].second + 1 &&
                            span[column - 1].first <= span[column].second + 1)
                    << "column " << column;
              }
            }
          }
        }
}

// Of the points on one vertical, the plot keeps four: the pixels stay.
TEST(Plot, KeepsOfEachVerticalItsSpanAndEnds) {
  std::mt19937 random(11);
  for (const int perX : {1, 2, 3, 7, 40}) {
    Trace full{kTraceBlue, {}};
    TraceBuilder built(kTraceBlue, [](double value) { return static_cast<float>(3435 - value); });
    std::vector<double> column;
    for (int c = 0; c < 1600; ++c) {
      const auto x = static_cast<float>(c * 4);
      column.clear();
      for (int k = 0; k < perX; ++k) {
        const auto value = static_cast<float>(random() % 3436);
        full.points.push_back({x, 3435 - value});
        column.push_back(value);
      }
      built.addColumn(x, column);
    }
    const Plot all{{}, {full}}, kept{{}, {built.finish()}};
    EXPECT_LE(kept.traces[0].points.size(), 1600u * std::min(perX, 4)) << perX;
    for (const int scale : {1, 2}) {
      const PixelGrid grid{425 * scale, 229 * scale, 6375, 3435};
      EXPECT_EQ(paint(kept, grid, Tracing::EverySegment), paint(all, grid, Tracing::EverySegment))
          << perX << " points on each vertical, scale " << scale;
    }
  }
}

}  // namespace tarn
