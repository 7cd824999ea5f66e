#include "analysis/noise_analysis.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "analysis/values.h"

namespace tarn {
namespace {

// mV values lie on the last decimal the board sends: their smallest gap.
double smallestStep(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  double step = 0;
  for (size_t i = 1; i < values.size(); ++i) {
    const double gap = values[i] - values[i - 1];
    if (gap > 0 && (step == 0 || gap < step)) step = gap;
  }
  return step > 0 ? step : 1;
}

}  // namespace

std::optional<InputRange> inputRangeOf(std::string_view boardSettings) {
  for (const InputRange& range : {InputRange{"±2.5V", 5}, InputRange{"±5V", 10}})
    if (boardSettings.starts_with(range.text)) return range;
  return std::nullopt;
}

Histogram histogramOf(std::span<const double> values, double step) {
  Histogram h;
  if (values.empty()) return h;
  const auto [low, high] = std::minmax_element(values.begin(), values.end());
  const auto steps = static_cast<size_t>(std::llround((*high - *low) / step)) + 1;
  const size_t perBin = (steps + kMostBins - 1) / kMostBins;
  h.width = static_cast<double>(perBin) * step;
  h.first = *low - step / 2;
  h.counts.assign((steps + perBin - 1) / perBin, 0);
  for (const double v : values) {
    const auto at = static_cast<size_t>(std::llround((v - *low) / step)) / perBin;
    ++h.counts[std::min(at, h.counts.size() - 1)];
  }
  return h;
}

std::optional<double> ChannelAnalysis::microvolts(double codes) const {
  if (format != DataFormat::Binary || !range) return std::nullopt;
  return codes * range->microvoltsPerCode();
}

std::vector<ChannelAnalysis> analyseNoise(const MeasurementSettings& settings,
                                          std::span<const SampleRecord> records, double mvDivisor) {
  const bool binary = settings.format == DataFormat::Binary;
  const std::optional<double> rateHz = rateHzOf(settings.rateText);
  std::vector<ChannelAnalysis> channels;
  for (const int field : measuredFields(settings.channels)) {
    ChannelAnalysis& c = channels.emplace_back();
    c.channel = field;
    c.format = settings.format;
    c.figures = fieldNoise(records, field, settings.format, mvDivisor);
    if (binary) c.range = inputRangeOf(settings.boardSettings);
    c.values.reserve(records.size());
    for (const SampleRecord& r : records)
      c.values.push_back(sampleValue(r.field[static_cast<size_t>(field)], settings.format) /
                         (binary ? 1 : mvDivisor));
    c.histogram = histogramOf(c.values, binary ? 1 : smallestStep(c.values));
    c.sdCi95 = sdInterval95(c.figures.sd, c.figures.count);
    c.allan = allanDeviation(c.values, rateHz);
    if (rateHz) c.spectrum = spectrumOf(c.values, *rateHz);
  }
  return channels;
}

int decimalsOf(const ChannelAnalysis& channel) {
  return channel.format == DataFormat::Binary ? 3 : 4;
}

int densityDecimalsOf(const ChannelAnalysis& channel) {
  return channel.format == DataFormat::Binary ? 3 : 6;
}

std::string fixedNumber(double value, int decimals) {
  char buffer[64];
  const auto [end, ec] =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
  return ec == std::errc() ? std::string(buffer, end) : "0";
}

std::string mainsName(const SpectralLine& line) {
  if (line.mainsHz == 0) return {};
  std::string name = std::to_string(line.mainsHz) + " Hz mains";
  return line.harmonic == 1 ? name : name + ", harmonic " + std::to_string(line.harmonic);
}

}  // namespace tarn
