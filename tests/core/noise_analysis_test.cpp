// Noise figures, spectrum and histogram against values known in
// closed form: white noise of a given sd with mains lines of given rms size;
// the interval of the rms noise and the Allan deviation against theirs.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <numeric>
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

TEST(NoiseAnalysis, ChiSquareQuantilesAndTheIntervalOfTheRmsNoise) {
  // Published tables (to their digits), closed forms for 1 and 2 degrees of
  // freedom, and Wilson-Hilferty's normal approximation at the largest, where
  // its own error is 3e-9.
  const double z = 1.959963984540054;  // the normal distribution's 97.5 %
  const auto wilsonHilferty = [](double k, double z) {
    return k * std::pow(1 - 2 / (9 * k) + z * std::sqrt(2 / (9 * k)), 3);
  };
  // clang-format off
  const struct { double dof, p, expected, tolerance; } quantiles[] = {
      {1, 0.025, 0.000982069, 1e-6}, {1, 0.975, 5.023886, 1e-6},
      {5, 0.025, 0.8312116, 1e-6},   {5, 0.975, 12.83250, 1e-6},
      {10, 0.025, 3.246973, 1e-6},   {10, 0.975, 20.48318, 1e-6},
      {30, 0.025, 16.79077, 1e-6},   {30, 0.975, 46.97924, 1e-6},
      {100, 0.025, 74.22193, 1e-6},  {100, 0.975, 129.5612, 1e-6},
      {2, 0.025, -2 * std::log(0.975), 1e-12}, {2, 0.5, 2 * std::log(2.0), 1e-12},
      {2, 0.975, -2 * std::log(0.025), 1e-12},
      {65534, 0.025, wilsonHilferty(65534, -z), 1e-8}, {65534, 0.975, wilsonHilferty(65534, z), 1e-8},
  };
  // clang-format on
  for (const auto& q : quantiles) {
    SCOPED_TRACE(testing::Message() << q.dof << " dof, p " << q.p);
    EXPECT_NEAR(chiSquareQuantile(q.dof, q.p) / q.expected, 1, q.tolerance);
  }
  for (const double p : {1e-6, 0.025, 0.5, 0.975})  // one degree: P = erf(√(x/2))
    EXPECT_NEAR(std::erf(std::sqrt(chiSquareQuantile(1, p) / 2)) / p, 1, 1e-10) << p;

  // n = 3: two degrees of freedom, whose quantiles are closed; n < 2 has none.
  const std::optional<Interval> three = sdInterval95(2, 3);
  ASSERT_TRUE(three);
  EXPECT_NEAR(three->low, 2 * std::sqrt(3 / (-2 * std::log(0.025))), 1e-12);
  EXPECT_NEAR(three->high, 2 * std::sqrt(3 / (-2 * std::log(0.975))), 1e-12);
  EXPECT_FALSE(sdInterval95(1, 1));
  // The interval holds the true σ in 95 % of runs of normal noise (4 sd of
  // the binomial count over 4000 runs).
  std::mt19937 random(7);
  std::normal_distribution<double> noise(0, 3);
  for (const int n : {2, 5, 40}) {
    int held = 0;
    for (int run = 0; run < 4000; ++run) {
      std::vector<double> x(static_cast<size_t>(n));
      for (double& v : x) v = noise(random);
      const double mean = std::accumulate(x.begin(), x.end(), 0.0) / n;
      double squares = 0;
      for (const double v : x) squares += (v - mean) * (v - mean);
      const Interval ci = *sdInterval95(std::sqrt(squares / n), n);  // sd over n
      held += ci.low <= 3 && 3 <= ci.high ? 1 : 0;
    }
    EXPECT_NEAR(held / 4000.0, 0.95, 4 * std::sqrt(0.95 * 0.05 / 4000)) << n << " values";
  }
}

TEST(NoiseAnalysis, AllanDeviationFollowsItsClosedForms) {
  constexpr int kN = 65535;
  std::mt19937 random(11);
  std::normal_distribution<double> unit(0, 1);
  std::vector<double> white(kN), walk(kN), drift(kN);
  for (int i = 0; i < kN; ++i) {
    white[i] = unit(random);
    walk[i] = (i ? walk[i - 1] : 0) + unit(random);
    drift[i] = white[i] + i / 512.0;
  }
  // ADEV² of white noise σ²/m, of a random walk of unit steps (2m² + 1)/(6m),
  // of a ramp a·i a²m²/2; white noise and a ramp add, least at m³ = σ²/a².
  // Estimates spread by about √(m/n) of themselves at most.
  // clang-format off
  const struct { const char* name; const std::vector<double>& values; double (*adev)(double);
                 std::optional<int64_t> turn; } cases[] = {
      {"white", white, [](double m) { return 1 / std::sqrt(m); }, std::nullopt},  // chance
      {"random walk", walk, [](double m) { return std::sqrt((2 * m * m + 1) / (6 * m)); }, 1},
      {"white and drift", drift,
       [](double m) { return std::sqrt(1 / m + m * m / (2 * 512.0 * 512)); }, 64},
  };
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const AllanDeviation a = allanDeviation(c.values, 1000);
    ASSERT_EQ(a.points.size(), 14u) << "m = 1 … 8192";
    for (size_t k = 0; k < a.points.size(); ++k) {
      const auto m = static_cast<double>(int64_t{1} << k);
      EXPECT_EQ(a.points[k].values, int64_t{1} << k);
      EXPECT_DOUBLE_EQ(*a.points[k].seconds, m / 1000);
      EXPECT_NEAR(a.points[k].adev / c.adev(m), 1, 3 * std::sqrt(m / kN)) << "m = " << m;
    }
    if (c.turn) {
      ASSERT_TRUE(a.turn);
      EXPECT_EQ(a.points[*a.turn].values, *c.turn);
    }
  }
  // Exact ones, short: a ramp 3·i, ±1 alternating (m ≥ 2 sees none of it),
  // a constant; and the fewest values.
  std::vector<double> ramp, alternating;
  for (int i = 0; i < 64; ++i) {
    ramp.push_back(3.0 * i);
    alternating.push_back(i % 2 ? -1 : 1);
  }
  const AllanDeviation r = allanDeviation(ramp, std::nullopt);
  ASSERT_EQ(r.points.size(), 5u);
  for (const AllanPoint& p : r.points)
    EXPECT_NEAR(p.adev, 3.0 * static_cast<double>(p.values) / std::sqrt(2.0), 1e-12);
  EXPECT_EQ(r.turn, 0u) << "averaging never helps";
  EXPECT_FALSE(r.points[0].seconds);
  const AllanDeviation alt = allanDeviation(alternating, std::nullopt);
  EXPECT_EQ(std::tuple(alt.points[0].adev, alt.points[1].adev, alt.points[4].adev, alt.turn),
            std::tuple(std::sqrt(2.0), 0.0, 0.0, std::optional<size_t>(1)));
  EXPECT_FALSE(allanDeviation(std::vector<double>(64, 5.0), 10).turn);
  EXPECT_EQ(allanDeviation(std::vector<double>(3, 1.0), 10).points.size(), 0u);
  EXPECT_EQ(allanDeviation(std::vector<double>(8, 1.0), 10).points.size(), 2u);
}

TEST(NoiseReport, PlotMenuWritesTheReportOpensItAndSavesThePicture) {
  test::Rig r(test::everyBoard().front());
  const auto enabled = [&r] {
    std::string states;
    for (const MenuItem& item : r.p.plotMenu()) states += item.text + (item.enabled ? "+" : "-");
    return states;
  };
  EXPECT_EQ(enabled(), "解析レポート-波形を画像で保存...-全レートのノイズ表...-ファイルを比較...+");
  r.run({"connect", "start 3"});
  EXPECT_EQ(enabled(), "解析レポート-波形を画像で保存...-全レートのノイズ表...-ファイルを比較...-")
      << "while measuring";
  r.run({"recv 800000\r800004\r7FFFFC\r"});
  EXPECT_EQ(enabled(), "解析レポート+波形を画像で保存...+全レートのノイズ表...+ファイルを比較...+");
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
