#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <random>

#include "analysis/plot.h"
#include "analysis/raster.h"
#include "analysis/values.h"
#include "datafile/code_page.h"
#include "datafile/csv_lines.h"
#include "support/fakes.h"

namespace tarn {
using enum DataFormat;
using enum Channels;
using enum Measurement::State;

static Measurement fed(DataFormat format, Channels channels, std::string_view in, int32_t n = 0) {
  MeasurementSettings s;
  s.format = format, s.channels = channels, s.count = n;
  Measurement m(s, true);
  return m.feed(in), m;
}

static std::optional<Plot> plotted(const Measurement& m, float width = 6375) {
  SampleValues values(m.settings());
  values.update(m.records().first(m.records().size() / 2));  // read as they arrive
  values.update(m.records());
  return plotOf(values, width, 3435);
}

TEST(Measurement, CommandsAndCounts) {
  EXPECT_EQ(startCommand(fed(Millivolt, Ch1, "", 65535).settings()) + stopCommand(Millivolt),
            "M1FFFFMX");
  // clang-format off
  const std::pair<const char*, std::optional<int32_t>> counts[] = {
      {"100", 100}, {"0", 0}, {"65535", 65535}, {"65536", {}}, {"-1", {}}, {"12.5", 12},
      {"13.5", 14}, {" 1 2", 12}, {"abc", {}}, {"", {}}, {"  ", {}}, {"1e999", {}}};
  // clang-format on
  for (const auto& [text, count] : counts) EXPECT_EQ(sampleCountOf(text), count) << text;
}

TEST(Measurement, RecordsAreCutTheSameWholeOrInPieces) {
  // `records`: each record's CH0 and CH1 text, "800001/|/7FFFA2|"; `end`: the state.
  constexpr DataFormat B = Binary, M = Millivolt;
  // clang-format off
  const struct { const char* name; DataFormat format; Channels channels; int32_t count;
                 const char *stream, *records; int discarded; Measurement::State end; } cases[] = {
      {"binary CH0", B, Ch0, 3, "800001\r800002\r7FFFA2\r", "800001/|800002/|7FFFA2/|", 0,
       Finished},
      {"binary CH1", B, Ch1, 3, "800001\r800002\r80", "/800001|/800002|", 0, Running},
      {"binary both", B, Both, 2, "800001800002\r7FFFA2000000\r", "800001/800002|7FFFA2/000000|", 0,
       Finished},
      {"mV, LF ends", M, Ch0, 2, "+01234.5\n-00012.0\n", "+01234.5/|-00012.0/|", 0, Finished},
      {"mV both", M, Both, 1, "+01234.5- 0012.0\r", "+01234.5/- 0012.0|", 0, Finished},
      {"past the last", B, Ch0, 1, "800001\r800002\r", "800001/|", 0, Finished},
      {"a dropped character", B, Ch0, 4, "800001\r80002\r800003\r800004\r",
       "800001/|800003/|800004/|", 1, Finished},
      {"an inserted character", B, Ch0, 4, "800001\r8000022\r800003\r800004\r",
       "800001/|800003/|800004/|", 1, Finished},
      {"a garbage record", B, Both, 3, "800001800002\rGARBAGE-LINE-LONG\r800003800004\r",
       "800001/800002|800003/800004|", 1, Finished},
      {"a lost end merges two", B, Ch0, 4, "800001800002\r800003\r800004\r", "800003/|800004/|", 1,
       Running},
      {"a garbage mV record", M, Ch0, 3, "+01234.5\r+0!234.5X\r-00012.0\r", "+01234.5/|-00012.0/|",
       1, Finished},
      {"a damaged value", B, Both, 3, "800001800002\r800003800G04\r800005800006\r",
       "800001/800002|800005/800006|", 1, Finished},
      {"a damaged mV value", M, Ch1, 3, "+01234.5\r+1.0E+12\r-00012.0\r", "/+01234.5|/-00012.0|",
       1, Finished}};
  // clang-format on
  for (const auto& c : cases) {
    Measurement whole = fed(c.format, c.channels, c.stream, c.count);
    Measurement pieces = fed(c.format, c.channels, "", c.count);
    for (const char* ch = c.stream; *ch; ++ch) pieces.feed(std::string_view(ch, 1));
    for (const Measurement* m : {&whole, &pieces}) {
      std::string records;
      for (const SampleRecord& r : m->records()) records += r.field[0] + "/" + r.field[1] + "|";
      EXPECT_EQ(records, c.records) << c.name;
      EXPECT_EQ(m->discarded(), c.discarded) << c.name;
      EXPECT_EQ(m->state(), c.end) << c.name;
    }
  }
}

TEST(Measurement, SampleValuesAndPeakToPeakPerBoard) {
  // Whether the board sends such a text, or it was damaged on the way; either reads the same.
  // clang-format off
  const struct { const char* text; DataFormat format; double value; bool valid = false; } values[] = {
      {"FFFF", Binary, 65535}, {"7fffA2", Binary, 8388514, true}, {"12G456", Binary, 18},
      {"80 00 00", Binary, 8388608}, {"123456789abcdef0FF", Binary, 0x123456789abcdef0p0},
      {"", Binary, 0}, {"- 0012.0", Millivolt, -12, true}, {"+2500000", Millivolt, 2500000, true},
      {"  .5 ", Millivolt, 0.5, true}, {"1.", Millivolt, 1, true}, {"+1.0E+12", Millivolt, 1e12},
      {"+012-4.5", Millivolt, 12}, {"+-1234.5", Millivolt, 0}, {"+01.34.5", Millivolt, 1.34},
      {"+0\t234.5", Millivolt, 234.5}, {"+    .  ", Millivolt, 0}, {"abc", Millivolt, 0}};
  // clang-format on
  for (const auto& c : values) {
    EXPECT_EQ(sampleValue(c.text, c.format), c.value) << c.text;
    EXPECT_EQ(isValueText(c.text, c.format), c.valid) << c.text;
  }
  // clang-format off
  const struct { DataFormat format; Channels channels; const char* stream;
                 test::Per<const char*> text; } cases[] = {
      {Binary, Ch1, "800000\r80017C\r", "CH1[digit pp]= 380"},
      {Binary, Both, "7FFFFF800000\r800010800005\r", "[digit pp] : CH0= 17, CH1= 5"},
      {Millivolt, Ch1, "-0000100\r+0000020\r", {"CH1[mV pp]=0.120", "CH1[mV pp]=1.20"}},
      {Binary, Ch0, "800000\r12G456\r80017C\r", "CH0[digit pp]= 380"},  // damaged: left out
      {Millivolt, Ch0, "+0600000\r", {"CH0[mV pp]=100.000", "CH0[mV pp]=1000.00"}}};
  // clang-format on
  for (const auto& b : test::everyBoard())
    for (const auto& c : cases)
      EXPECT_EQ(peakToPeakText(fed(c.format, c.channels, c.stream), b.board()),
                c.text.of(b.board()))
          << b.board().name;
}

TEST(Measurement, PlotLabelsAndTraces) {
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

TEST(Measurement, PlotPerColumnIsEverySegmentPixelForPixel) {
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
TEST(Measurement, PlotKeepsOfEachVerticalItsSpanAndEnds) {
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

TEST(DataFile, DateAndEncoding) {
  setenv("LC_ALL", "C", 1);  // the short date follows the environment
  EXPECT_EQ(datafile::dateTimeText({2027, 1, 2, 9, 0, 0}),
            datafile::dateTimeText({2027, 1, 2, 0, 0, 0}) + " 9:00:00");
#ifndef _WIN32  // Windows takes the date and the character set from the user's locale alone
  EXPECT_EQ(datafile::dateTimeText({2027, 1, 2, 9, 0, 0}), "01/02/27 9:00:00");
  EXPECT_EQ(datafile::dateTimeText({2026, 12, 6, 0, 0, 0}), "12/06/26");
#endif
  // clang-format off
  const struct { const char *charset, *text; std::optional<std::string> bytes; } cases[] = {
      {"SHIFT_JIS", "±2.5V", "\x81\x7D" "2.5V"}, {"SJIS", "①", "\x87\x40"},
      {"SHIFT_JIS", "CH한1", "CH?1"}, {"CP932", "A😀B", "A?B"}, {"UTF-8", "80\xFF" "01", "80?01"},
      {"NO-SUCH-CHARSET", "A", std::nullopt}};
  // clang-format on
  for (const auto& c : cases) EXPECT_EQ(datafile::encodeText(c.text, c.charset), c.bytes) << c.text;
#ifndef _WIN32
  // The file is written in the user's character set; the test script makes these locales.
  for (const auto& [locale, charset] :
       {std::pair{"ja_JP.SJIS", "SHIFT_JIS"}, {"ja_JP.UTF-8", "UTF-8"}, {"C", "UTF-8"}}) {
    setenv("LC_ALL", locale, 1);
    EXPECT_EQ(datafile::systemCharset(), charset) << locale;
  }
#endif
}

}  // namespace tarn
