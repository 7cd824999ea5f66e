#include <gtest/gtest.h>

#include <cstdio>
#include <limits>
#include <string>

#include "common/errors.h"
#include "core/sample_data.h"
#include "plot/plot_geometry.h"
#include "support/fakes.h"

namespace tarn {
namespace {

using test::Format;

TEST(PlotRange, CentreAndMarginRoundHalvesAwayFromZero) {
  const struct {
    int32_t maximum, minimum;
    PlotRange range;
  } cases[] = {
      {105, 100, {107, 103, 99}},                       // 102.5 gives 103; D = 5 takes 2
      {-100, -105, {-98, -103, -108}},                  // -102.5 gives -103
      {10, 0, {13, 5, -3}},                             // 10 / 4 = 2.5 gives 3
      {1, -108, {28, -54, -136}},                       // -53.5 gives -54, 27.25 gives 27
      {-500000, -700000, {-450000, -600000, -750000}},  //
  };
  for (const auto& c : cases) EXPECT_EQ(plotRange(c.maximum, c.minimum), c.range) << c.maximum;
  constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
  EXPECT_THROW(plotRange(kMax, -2), OverflowError);
  EXPECT_THROW(plotRange(kMax - 100, kMax - 1000), OverflowError);
}

// The drawing as polylines: a colour, then the points of segments that join up.
std::string drawing(const test::RecordingSurface& surface) {
  std::string out;
  char point[48];
  for (size_t i = 0; i < surface.segments.size(); ++i) {
    const auto& s = surface.segments[i];
    const auto* before = i ? &surface.segments[i - 1] : nullptr;
    if (!before || before->color != s.color || before->x2 != s.x1 || before->y2 != s.y1) {
      std::snprintf(point, sizeof point, "%s%06X %g,%g", out.empty() ? "" : "; ", s.color, s.x1,
                    s.y1);
      out += point;
    }
    std::snprintf(point, sizeof point, " %g,%g", s.x2, s.y2);
    out += point;
  }
  return out;
}

TEST(Graph, LabelsAndTracesForEachFormatAndChannelChoice) {
  // The plot box is 6375 x 3435 twips; FF0000 is blue, 0000FF red.
  const struct {
    Format format;
    int16_t mode;
    const char *ch0, *ch1, *labels, *drawing;
  } cases[] = {
      {Format::Binary, 0, "800000 800000 800000 800000 800000", "", " 8388610| 8388608| 8388606",
       "FF0000 0,1718 1594,1718 3188,1718 4781,1718 6375,1718"},
      {Format::Binary, 0, "7ffda0 7FFF30", "", " 8388500| 8388200| 8387900",
       "FF0000 0,2862 6375,572"},
      {Format::Mv, 0, "-0000107 +0000000", "", "0.027|-0.054|-0.135", "FF0000 0,2841 6375,572"},
      // 12.5 counts as 12 for the range (T = 15, B = -3) but is drawn as 12.5.
      {Format::Mv, 0, "+0000000 +00012.5", "", "0.015|0.006|-0.003", "FF0000 0,2862 6375,477"},
      {Format::Mv, 0, "-0600000 -0700000", "", "-450.000|-600.000|-750.000",
       "FF0000 0,1718 6375,2862"},
      // The spread 6 keeps the margin of 2; field 0 holds an older measurement.
      {Format::Binary, 1, "FFFFFF 000000", "000064 00006A", " 108| 103| 98",
       "0000FF 0,2748 6375,687"},
      {Format::Binary, 2, "000064 00006B", "00006B 000064", " 109| 104| 99",
       "FF0000 0,3092 6375,687; 0000FF 0,687 6375,3092"},
      {Format::Binary, 0, "000064", "", " 102| 100| 98", ""},
      {Format::Binary, 3, "000064 00006B", "", " 2| 0|-2", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.labels);
    test::FormFixture f;
    Form1& w = *f.form;
    test::loadSamples(w, c.format, c.mode, c.ch0, c.ch1);
    f.surface.line(1, 2, 3, 4, 5);  // an earlier plot
    w.Graph();
    EXPECT_EQ(f.surface.clears, 1);
    EXPECT_EQ(w.Label3.caption() + "|" + w.Label4.caption() + "|" + w.Label5.caption(), c.labels);
    EXPECT_EQ(drawing(f.surface), c.drawing);
  }
}

TEST(Graph, HundredRecordsSpanTheWidth) {
  test::FormFixture f;
  std::string texts;
  for (int i = 0; i < 100; ++i) texts += i % 3 ? "800000 " : "800010 ";
  test::loadSamples(*f.form, Format::Binary, 0, texts);
  f.form->Graph();
  const auto& s = f.surface.segments;
  ASSERT_EQ(s.size(), 99u);
  EXPECT_EQ(plotStep(6375, 100), 64.393936f);
  EXPECT_EQ(s[0].x2, 64);
  EXPECT_EQ(s[1].x2, 129);
  EXPECT_EQ(s[97].x2, 6311);
  EXPECT_EQ(s[98].x2, 6375);
}

TEST(Graph, AFailureEndsThePlotSilently) {
  test::FormFixture f;
  test::loadSamples(*f.form, Format::Mv, 0, "+0000001 9E99");  // beyond 32 bits
  EXPECT_NO_THROW(f.form->Graph());
  EXPECT_EQ(f.surface.clears, 1);
  EXPECT_EQ(f.form->Label3.caption(), "---");
}

}  // namespace
}  // namespace tarn
