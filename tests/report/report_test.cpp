// The noise report: its pictures, its figures and the records it refuses; the
// sweep's page: its table and its picture of the noise against the rate.
#include <gtest/gtest.h>

#include <regex>

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
