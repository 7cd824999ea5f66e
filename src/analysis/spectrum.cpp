#include "analysis/spectrum.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>
#include <unsupported/Eigen/FFT>

#include "common/numbers.h"

namespace tarn {
namespace {

constexpr size_t kLongestSegment = 4096;
// The Blackman-Harris window's main lobe reaches four bins either side.
constexpr size_t kLobe = 4;

size_t segmentLengthFor(size_t n) {
  size_t length = kSpectrumMinimum;
  while (length * 2 <= std::min(n / 4, kLongestSegment)) length *= 2;
  return length;
}

// The periodic 4-term Blackman-Harris window.
std::vector<double> blackmanHarris(size_t length) {
  constexpr double a[] = {0.35875, 0.48829, 0.14128, 0.01168};
  std::vector<double> w(length);
  for (size_t i = 0; i < length; ++i) {
    const double t = 2 * std::numbers::pi * static_cast<double>(i) / static_cast<double>(length);
    w[i] = a[0] - a[1] * std::cos(t) + a[2] * std::cos(2 * t) - a[3] * std::cos(3 * t);
  }
  return w;
}

// Welch's mean one-sided power spectral density, bins 0 .. L/2.
std::vector<double> welchPower(std::span<const double> values, size_t length, double rateHz,
                               int& segments) {
  const std::vector<double> w = blackmanHarris(length);
  double energy = 0;
  for (const double v : w) energy += v * v;
  std::vector<double> power(length / 2 + 1, 0.0), segment(length);
  std::vector<std::complex<double>> bins;
  Eigen::FFT<double> fft;
  segments = 0;
  for (size_t start = 0; start + length <= values.size(); start += length / 2, ++segments) {
    const std::span<const double> part = values.subspan(start, length);
    double mean = 0;
    for (const double v : part) mean += v;
    mean /= static_cast<double>(length);
    for (size_t i = 0; i < length; ++i) segment[i] = (part[i] - mean) * w[i];
    fft.fwd(bins, segment);
    for (size_t k = 0; k < power.size(); ++k) power[k] += std::norm(bins[k]);
  }
  const double scale = 2 / (rateHz * energy * segments);
  for (double& p : power) p *= scale;
  power.front() /= 2;
  power.back() /= 2;
  return power;
}

double median(std::vector<double> v) {
  const auto middle = v.begin() + static_cast<std::ptrdiff_t>(v.size() / 2);
  std::nth_element(v.begin(), middle, v.end());
  return *middle;
}

// The median of a mean of K segments' powers (χ² of 2K degrees of freedom
// over 2K) lies below its mean by about (1 - 2 / 9ν)³, ν = 2K.
double medianBias(int segments) {
  const double nu = 2.0 * segments;
  return std::pow(1 - 2 / (9 * nu), 3);
}

double localFloor(const std::vector<double>& power, size_t k) {
  const size_t reach = std::max<size_t>(16, power.size() / 32);
  const size_t from = std::max(kLobe, k > reach ? k - reach : 0);
  const size_t to = std::min(power.size(), k + reach + 1);
  return median({power.begin() + static_cast<std::ptrdiff_t>(from),
                 power.begin() + static_cast<std::ptrdiff_t>(to)});
}

void nameMains(SpectralLine& line, double binHz) {
  double best = 0;
  for (const int mains : {50, 60}) {
    const int harmonic = static_cast<int>(std::lround(line.hz / mains));
    const double off = std::fabs(line.hz - harmonic * mains);
    // Mains wander by up to a per cent; the rate text is rounded too.
    const double allowed = std::max(1.5 * binHz, 0.01 * harmonic * mains);
    if (harmonic >= 1 && off <= allowed && (line.mainsHz == 0 || off < best)) {
      line.mainsHz = mains;
      line.harmonic = harmonic;
      best = off;
    }
  }
}

SpectralLine lineAt(const std::vector<double>& power, size_t k, double floor, double binHz) {
  const size_t from = k - kLobe, to = std::min(power.size() - 1, k + kLobe);
  double sum = 0, moment = 0;
  for (size_t j = from; j <= to; ++j) {
    const double above = std::max(0.0, power[j] - floor);
    sum += above;
    moment += above * static_cast<double>(j);
  }
  SpectralLine line{moment / sum * binHz, std::sqrt(sum * binHz)};
  nameMains(line, binHz);
  return line;
}

std::vector<SpectralLine> linesIn(const std::vector<double>& power, double binHz) {
  std::vector<size_t> peaks;
  for (size_t k = kLobe + 1; k + 1 < power.size(); ++k)
    if (power[k] >= power[k - 1] && power[k] > power[k + 1]) peaks.push_back(k);
  std::sort(peaks.begin(), peaks.end(), [&](size_t a, size_t b) { return power[a] > power[b]; });
  std::vector<size_t> taken;
  std::vector<SpectralLine> lines;
  for (const size_t k : peaks) {
    if (lines.size() == kMostLines) break;
    // A peak inside a line's lobes is that line's own.
    const bool near = std::any_of(taken.begin(), taken.end(),
                                  [&](size_t t) { return (k > t ? k - t : t - k) <= 2 * kLobe; });
    const double floor = localFloor(power, k);
    if (near || power[k] < kLineFactor * floor) continue;
    taken.push_back(k);
    lines.push_back(lineAt(power, k, floor, binHz));
  }
  return lines;
}

}  // namespace

std::optional<Spectrum> spectrumOf(std::span<const double> values, double rateHz) {
  if (values.size() < kSpectrumMinimum || !(rateHz > 0)) return std::nullopt;
  Spectrum s;
  s.segmentLength = static_cast<int>(segmentLengthFor(values.size()));
  s.binHz = rateHz / s.segmentLength;
  const std::vector<double> power =
      welchPower(values, static_cast<size_t>(s.segmentLength), rateHz, s.segments);
  s.density.reserve(power.size());
  for (const double p : power) s.density.push_back(std::sqrt(p));
  // Above the DC lobe; a 16-value segment still leaves four bins.
  const std::vector<double> noise(power.begin() + kLobe, power.end());
  s.noiseDensity = std::sqrt(median(noise) / medianBias(s.segments));
  s.lines = linesIn(power, s.binHz);
  return s;
}

}  // namespace tarn
