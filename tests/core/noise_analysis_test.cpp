// Noise figures, spectrum and histogram against values known in
// closed form: white noise of a given sd with mains lines of given rms size.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>

#include "analysis/noise_analysis.h"
#include "support/fakes.h"

namespace tarn {
namespace {

struct Line {
  double hz, rms;
};

// n records of CH0 codes around mid-scale: gaussian noise of `sd` and sines.
Measurement synthetic(const std::string& rate, int n, double sd, const std::vector<Line>& lines) {
  Measurement m(measurementSettings(DataFormat::Binary, Channels::Ch0, n, 0, rate,
                                    "±2.5V / IntRef / Sinc5+Sinc1", {}),
                true);
  std::mt19937 random(42);
  std::normal_distribution<double> noise(0, sd);
  const double hz = *rateHzOf(rate);
  std::string stream;
  for (int i = 0; i < n; ++i) {
    double v = 8388608 + noise(random);
    for (const Line& l : lines)
      v += l.rms * std::sqrt(2.0) * std::sin(2 * std::numbers::pi * l.hz * i / hz);
    char record[16];
    std::snprintf(record, sizeof record, "%06lX\r", std::lround(v));
    stream += record;
  }
  m.feed(stream);
  return m;
}

TEST(NoiseAnalysis, WhiteNoiseAndMainsLinesGiveTheirSizes) {
  // clang-format off
  const struct { const char* rate; int n; double sd; std::vector<Line> lines; } cases[] = {
      {"1007sps", 65535, 20, {{50, 30}, {150, 10}}},
      {"503.8sps", 8000, 5, {{60, 12}}},
      {"200.3sps", 3000, 50, {{50, 200}}},
      {"100.2sps", 2000, 3, {}},
  };
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(c.rate);
    const Measurement m = synthetic(c.rate, c.n, c.sd, c.lines);
    const std::vector<ChannelAnalysis> a = analyseNoise(m.settings(), m.records(), 1000);
    ASSERT_EQ(a.size(), 1u);
    // Rounding to codes adds 1/12 code² of its own.
    double total = c.sd * c.sd + 1.0 / 12;
    for (const Line& l : c.lines) total += l.rms * l.rms;
    EXPECT_NEAR(a[0].figures.sd, std::sqrt(total), 0.03 * std::sqrt(total));
    const double density = std::sqrt((c.sd * c.sd + 1.0 / 12) * 2 / *rateHzOf(c.rate));
    ASSERT_TRUE(a[0].spectrum);
    EXPECT_NEAR(a[0].spectrum->noiseDensity, density, 0.05 * density);
    ASSERT_EQ(a[0].spectrum->lines.size(), c.lines.size());
    for (size_t i = 0; i < c.lines.size(); ++i) {
      const SpectralLine& got = a[0].spectrum->lines[i];
      EXPECT_NEAR(got.hz, c.lines[i].hz, a[0].spectrum->binHz / 2);
      EXPECT_NEAR(got.rms, c.lines[i].rms, 0.04 * c.lines[i].rms);
      EXPECT_EQ(mainsName(got), i == 0 ? std::to_string(std::lround(c.lines[i].hz)) + " Hz mains"
                                       : "50 Hz mains, harmonic 3");
    }
    EXPECT_NEAR(*a[0].microvolts(a[0].figures.sd), a[0].figures.sd * 5e6 / 16777216, 1e-9);
  }
}

TEST(NoiseAnalysis, HistogramsSettingsAndRates) {
  // clang-format off
  const struct { std::vector<double> values; double step, first, width; std::vector<int64_t> counts; } cases[] = {
      {{5, 7, 7, 6}, 1, 4.5, 1, {1, 1, 2}},
      {{0, 1000}, 1, -0.5, 4, std::vector<int64_t>(251, 0)},  // 1001 codes in at most 256 bins
      {{0.25, 0.5, 0.5}, 0.25, 0.125, 0.25, {1, 2}},
  };
  // clang-format on
  for (auto c : cases) {
    if (c.counts.size() == 251) c.counts.front() = c.counts.back() = 1;
    const Histogram h = histogramOf(c.values, c.step);
    EXPECT_EQ(std::tuple(h.first, h.width, h.counts), std::tuple(c.first, c.width, c.counts));
  }
  EXPECT_EQ(inputRangeOf("±5V / Sinc3")->volts, 10);
  EXPECT_EQ(inputRangeOf("±2.5V / ExtRef / Sinc3")->volts, 5);
  EXPECT_FALSE(inputRangeOf("Sinc3"));
  EXPECT_EQ(rateHzOf("100.2sps"), 100.2);
  EXPECT_FALSE(rateHzOf("sps"));
  EXPECT_FALSE(spectrumOf(std::vector<double>(15, 1.0), 100));
}

TEST(NoiseReport, PlotMenuWritesTheReportOpensItAndSavesThePicture) {
  test::Rig r(test::everyBoard().front());
  const auto enabled = [&r] {
    std::string states;
    for (const MenuItem& item : r.p.plotMenu()) states += item.text + (item.enabled ? "+" : "-");
    return states;
  };
  EXPECT_EQ(enabled(), "解析レポート-波形を画像で保存...-");
  r.run({"connect", "start 3"});
  EXPECT_EQ(enabled(), "解析レポート-波形を画像で保存...-") << "while measuring";
  r.run({"recv 800000\r800004\r7FFFFC\r"});
  EXPECT_EQ(enabled(), "解析レポート+波形を画像で保存...+");
  r.p.plotMenu()[0].choose();
  ASSERT_EQ(r.opener.opened.size(), 1u);
  EXPECT_TRUE(r.opener.opened[0].ends_with(".html"));
  EXPECT_NE(r.files.files[r.opener.opened[0]].find("<svg"), std::string::npos);
  r.user.paths = {"/home/user/plot.png"};
  r.p.plotMenu()[1].choose();
  EXPECT_EQ(r.user.shown.back().filter, "(PNGファイル) | *.png");
  EXPECT_EQ(r.plot.saved, std::vector<std::string>{"/home/user/plot.png"});
  r.files.failing.insert(r.opener.opened[0]);
  r.p.openReport();
  EXPECT_EQ(r.opener.opened.size(), 1u);
  EXPECT_EQ(r.user.told,
            std::vector<std::string>{"解析レポートを作成出来ませんでした (disk full)"});
}

}  // namespace
}  // namespace tarn
