// The noise report: its pictures, its figures and the records it refuses; the
// runs compared; the sweep's page: its table and its picture of the noise
// against the rate.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <regex>

#include "report/comparison.h"
#include "report/report.h"
#include "report/sweep_report.h"
#include "support/fakes.h"

namespace tarn {
namespace {

TEST(NoiseReport, DrawsFourPicturesPerChannelAndRefusesNoValues) {
  Measurement m(measurementSettings(DataFormat::Millivolt, Channels::Both, 0, 0, "1007sps",
                                    "±5V / Sinc3", {}),
                false);
  for (int i = 0; i < 65535; ++i) m.feed(i % 3 ? "+00010.0-00002.5\r" : "+00011.0-00002.0\r");
  const std::vector<ChannelAnalysis> a = analyseNoise(m.settings(), m.records(), 100);
  const std::string html = reportHtml({m.settings(), m.received(), "Pellan", "2026/12/08"}, a);
  size_t pictures = 0;
  for (size_t at = html.find("<svg"); at != std::string::npos; at = html.find("<svg", at + 1))
    ++pictures;
  EXPECT_EQ(pictures, 8u);
  EXPECT_LT(html.size(), 2'000'000u) << "the pictures are drawn per pixel column";
  EXPECT_NE(html.find("mV/√Hz"), std::string::npos);
  EXPECT_EQ(html.find("<script"), std::string::npos);
  EXPECT_NE(html.find(">" + fixedNumber(a[1].figures.sd, 4) + "<"), std::string::npos);
  EXPECT_NE(html.find(">" + fixedNumber(a[1].sdCi95->high, 4) + "<"), std::string::npos);
  EXPECT_NE(html.find("assumes independent values"), std::string::npos);
  EXPECT_NE(html.find("CH1 Allan deviation"), std::string::npos);
  EXPECT_THROW(reportHtml({m.settings(), 0, "Pellan", ""}, analyseNoise(m.settings(), {}, 100)),
               ReportError);
}

// 20000 records of normal noise of rms `sd` on each measured channel: codes,
// or for mV data the board's µV.
Measurement noiseRun(DataFormat format, Channels channels, const char* settings, double sd,
                     unsigned seed) {
  Measurement m(measurementSettings(format, channels, 0, 0, "1007sps", settings, {}), false);
  std::mt19937 random(seed);
  std::normal_distribution<double> noise(0, sd);
  char field[2][16];
  for (int i = 0; i < 5000; ++i) {
    for (char* text : field)
      if (format == DataFormat::Binary)
        std::snprintf(text, 16, "%06lX", 8388608 + std::lround(noise(random)));
      else
        std::snprintf(text, 16, "%+08.1f", noise(random));
    m.feed(channels == Channels::Both ? std::string(field[0]) + field[1] + "\r"
                                      : std::string(field[0]) + "\r");
  }
  return m;
}

TEST(RunsCompared, MarksADifferenceRealOnlyWhereTheIntervalsPartInTheSharedUnit) {
  constexpr DataFormat kBin = DataFormat::Binary, kMv = DataFormat::Millivolt;
  constexpr const char *k25 = "±2.5V / IntRef", *k5 = "±5V / IntRef";
  using Unit = ComparisonUnit;
  // 10 codes at ±2.5V are 2.98 µV, as 5 codes at ±5V are.
  const std::tuple<DataFormat, const char*, double, DataFormat, const char*, double, Unit,
                   SdVerdict>
      rows[] = {{kBin, k25, 10, kBin, k25, 11, Unit::Codes, SdVerdict::Real},
                {kBin, k25, 10, kBin, k25, 10, Unit::Codes, SdVerdict::WithinSpread},
                {kMv, k5, 2.98, kMv, k5, 3.3, Unit::Millivolts, SdVerdict::Real},
                {kBin, k25, 10, kMv, k5, 2.98, Unit::Microvolts, SdVerdict::WithinSpread},
                {kBin, k25, 10, kBin, k5, 5, Unit::Microvolts, SdVerdict::WithinSpread},
                {kBin, k25, 10, kBin, k5, 10, Unit::Microvolts, SdVerdict::Real}};
  for (const auto& [formatA, rangeA, sdA, formatB, rangeB, sdB, unit, verdict] : rows) {
    const Measurement a = noiseRun(formatA, Channels::Both, rangeA, sdA, 1);
    const Measurement b = noiseRun(formatB, Channels::Both, rangeB, sdB, 2);
    const auto channelsA = analyseNoise(a.settings(), a.records(), 1000);
    const auto channelsB = analyseNoise(b.settings(), b.records(), 1000);
    const ComparedRun runs[] = {
        {"a<1>.csv", {a.settings(), a.received(), "Pellan2", "-"}, channelsA},
        {"b<2>.csv", {b.settings(), b.received(), "Pellan2", "-"}, channelsB}};
    const std::string row = std::string(rangeA) + " " + std::to_string(sdA) + " against " + rangeB +
                            " " + std::to_string(sdB);
    EXPECT_EQ(comparisonOf(runs).unit, unit) << row;
    for (const int ch : {0, 1})
      EXPECT_EQ(sdDifference(channelsA[ch], channelsB[ch], unit).verdict, verdict) << row;
    const std::string html = comparisonHtml(runs);
    const auto count = [&](const std::string& text) {
      size_t n = 0;
      for (size_t at = html.find(text); at != std::string::npos; at = html.find(text, at + 1)) ++n;
      return n;
    };
    // The verdict per channel, each beside its size.
    EXPECT_EQ(count("real</strong>, <span>"), verdict == SdVerdict::Real ? 2u : 0u) << row;
    EXPECT_EQ(count("within the spread</strong>, <span>"), verdict == SdVerdict::Real ? 0u : 2u);
    for (const std::string ch : {"CH0", "CH1"})
      for (const std::string picture :
           {" spectra compared\"", " histograms compared\"", " waveform, a&lt;1&gt;.csv\"",
            " waveform, b&lt;2&gt;.csv\""})
        EXPECT_EQ(count("aria-label=\"" + ch + picture), 1u) << ch << picture;
    EXPECT_EQ(count("a<1>"), 0u) << "the names are escaped";
    EXPECT_EQ(count("<script"), 0u);
  }
}

TEST(RunsCompared, RefusesRunsWithoutAChannelOrAUnitInCommon) {
  const auto analysed = [](const Measurement& m) {
    return analyseNoise(m.settings(), m.records(), 1000);
  };
  const Measurement ch0 = noiseRun(DataFormat::Binary, Channels::Ch0, "±2.5V", 3, 1),
                    ch1 = noiseRun(DataFormat::Binary, Channels::Ch1, "±2.5V", 3, 2),
                    unnamed = noiseRun(DataFormat::Binary, Channels::Ch0, "Sinc3", 3, 3),
                    mv = noiseRun(DataFormat::Millivolt, Channels::Both, "±5V", 3, 4);
  const std::vector<ChannelAnalysis> a0 = analysed(ch0), a1 = analysed(ch1),
                                     aUnnamed = analysed(unnamed), aMv = analysed(mv);
  const auto run = [](const Measurement& m, const std::vector<ChannelAnalysis>& a) {
    return ComparedRun{"x.csv", {m.settings(), m.received(), "Pellan2", "-"}, a};
  };
  const std::pair<std::vector<ComparedRun>, std::string> rows[] = {
      {{run(ch0, a0)}, "two runs at least"},
      {{run(ch0, a0), run(ch1, a1)}, "no channel was measured in every run"},
      {{run(mv, aMv), run(unnamed, aUnnamed)}, "only µV could compare them"}};
  for (const auto& [runs, why] : rows) {
    try {
      comparisonHtml(runs);
      ADD_FAILURE() << why;
    } catch (const ReportError& e) {
      EXPECT_NE(std::string(e.what()).find(why), std::string::npos) << e.what();
    }
  }
  // CH1 only in the mV run: compared on CH0, in µV.
  const ComparedRun shared[] = {run(ch0, a0), run(mv, aMv)};
  const Comparison c = comparisonOf(shared);
  EXPECT_TRUE(c.unit == ComparisonUnit::Microvolts && c.channels == std::vector<int>{0} &&
              c.leftOut == std::vector<int>{1});
}

// White noise in mV on CH0, 100 µV rms at 1007sps and less by √rate at the
// slower rates; no noise on CH1; a refused rate and one the sweep never reached.
TEST(SweepReport, RowPerRateFiguresOfTheAnalysisAndWhiteNoiseOnItsLine) {
  using End = SweepRun::End;
  const struct {
    int code;
    const char* rate;
    End end;
    const char* ch0;  // ± this, alternately: its rms
  } plan[] = {{11, "1007sps", End::Finished, "00100.0"},
              {2, "5sps", End::Refused, ""},
              {8, "100.2sps", End::Finished, "00031.5"},
              {3, "10sps", End::Stopped, "00010.0"},
              {0, "1.25sps", End::NotRun, ""}};
  std::vector<SweepRun> runs;
  std::vector<std::vector<ChannelAnalysis>> analyses;
  for (const auto& p : plan) {
    SweepRun& run = runs.emplace_back(SweepRun{{p.code, 256}, p.rate, p.end, std::nullopt});
    if (p.end != End::NotRun)
      run.measurement.emplace(
          measurementSettings(DataFormat::Millivolt, Channels::Both, 256, p.code, p.rate,
                              "±2.5V / IntRef / Sinc5+Sinc1", {}),
          true);
    for (int i = 0; *p.ch0 && i < 256; ++i)
      run.measurement->feed((i % 2 ? "-" : "+") + std::string(p.ch0) + "+00050.0\r");
    analyses.push_back(
        *p.ch0 ? analyseNoise(run.measurement->settings(), run.measurement->records(), 1000)
               : std::vector<ChannelAnalysis>());
  }
  std::vector<SweepReportRun> report;
  for (size_t i = 0; i < runs.size(); ++i) report.push_back({runs[i], analyses[i], "d/x.csv"});
  const std::string html =
      sweepReportHtml({"Pellan2", "ident", "±2.5V / IntRef / Sinc5+Sinc1", DataFormat::Millivolt,
                       Channels::Both, "shorted", "2026/12/08 9:30:00", "tarnview-cli 0.1.0"},
                      report);
  const size_t table = html.find("<table class=\"rates\""), svg = html.find("<svg", table);
  std::vector<std::string> rows;  // each rate's <tbody>
  for (size_t at = html.find("<tbody>", table); at < svg; at = html.find("<tbody>", at + 1))
    rows.push_back(html.substr(at, html.find("</tbody>", at) - at));
  ASSERT_EQ(rows.size(), std::size(plan));
  for (size_t i = 0; i < rows.size(); ++i) {
    EXPECT_NE(rows[i].find(std::string(">") + plan[i].rate + "<br>"), std::string::npos);
    EXPECT_NE(rows[i].find(std::string(">") + endName(plan[i].end) + "<"), std::string::npos);
    EXPECT_EQ(rows[i].find("No figures"), *plan[i].ch0 ? std::string::npos : rows[i].find("No"));
    for (const ChannelAnalysis& c : analyses[i])  // in µV from mV
      for (const double mv : {c.figures.sd, c.figures.peakToPeak, c.sdCi95->low, c.sdCi95->high,
                              c.spectrum->noiseDensity})
        EXPECT_NE(rows[i].find(">" + fixedNumber(mv * 1000, 3) + "<"), std::string::npos)
            << plan[i].rate << " CH" << c.channel << " " << mv;
  }
  // CH0's points on its line of slope ½, each inside its bar; CH1's rms of 0 left out.
  const std::string whole = html.substr(svg, html.find("</svg>", svg) - svg);
  const std::string picture = whole.substr(0, whole.rfind("<g transform"));  // before the legend
  EXPECT_NE(whole.find("rms noise against the rate"), std::string::npos);
  EXPECT_EQ(whole.find("nan"), std::string::npos);
  const auto numbers = [&](const char* pattern) {  // each match's groups
    std::vector<std::vector<double>> found;
    const std::regex re(pattern);
    for (std::sregex_iterator m(picture.begin(), picture.end(), re), end; m != end; ++m)
      for (size_t g = 1; g < m->size(); ++g)
        (g == 1 ? found.emplace_back() : found.back()).push_back(std::stod((*m)[g]));
    return found;
  };
  const auto dots = numbers(R"re(<circle cx="([-\d.]+)" cy="([-\d.]+)" r="3" fill="#0000ff")re");
  const auto bars = numbers(R"re(M([-\d.]+) ([-\d.]+)V([-\d.]+)m-3)re");
  const auto line = numbers(R"re(M([-\d.]+) ([-\d.]+)L([-\d.]+) ([-\d.]+)" stroke="#0000ff")re");
  ASSERT_EQ(dots.size(), 3u);
  ASSERT_EQ(bars.size(), 3u) << "no bars for CH1's rms of 0";
  ASSERT_EQ(line.size(), 1u);
  const double x0 = line[0][0], y0 = line[0][1], x1 = line[0][2], y1 = line[0][3];
  for (size_t i = 0; i < dots.size(); ++i) {
    const double x = dots[i][0], y = dots[i][1];
    EXPECT_NEAR(y, y0 + (y1 - y0) * (x - x0) / (x1 - x0), 0.5) << x;
    EXPECT_TRUE(bars[i][0] == x && bars[i][1] < y && y < bars[i][2]) << x;
  }
}

}  // namespace
}  // namespace tarn
