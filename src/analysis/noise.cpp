#include "analysis/noise.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "analysis/values.h"

namespace tarn {
namespace {

__extension__ using Wide = unsigned __int128;

}  // namespace

double bitsOf(double spread) {
  return spread > 0 ? std::min(24.0, 24.0 - std::log2(spread)) : 24.0;
}

NoiseFigures codeNoise(std::span<const int64_t> codes) {
  NoiseFigures f;
  if (codes.empty()) return f;
  int64_t sum = 0, low = codes.front(), high = codes.front();
  Wide squares = 0;
  for (const int64_t c : codes) {
    sum += c;
    const auto magnitude = static_cast<Wide>(c < 0 ? -c : c);
    squares += magnitude * magnitude;
    low = std::min(low, c);
    high = std::max(high, c);
  }
  const auto n = static_cast<int64_t>(codes.size());
  // n² · variance = n · Σc² − (Σc)², exact in integers and never negative.
  const auto sumMagnitude = static_cast<Wide>(sum < 0 ? -sum : sum);
  const Wide spreadTimesN2 = static_cast<Wide>(n) * squares - sumMagnitude * sumMagnitude;
  f.count = n;
  f.mean = static_cast<double>(static_cast<long double>(sum) / n);
  f.sd = static_cast<double>(std::sqrt(static_cast<long double>(spreadTimesN2)) / n);
  f.peakToPeak = static_cast<double>(high - low);
  f.noiseFreeBits = bitsOf(f.peakToPeak);
  f.effectiveBits = bitsOf(f.sd);
  return f;
}

NoiseFigures fieldNoise(std::span<const SampleRecord> records, int field, DataFormat format,
                        double mvDivisor) {
  const auto text = [&](const SampleRecord& r) -> const std::string& {
    return r.field[static_cast<size_t>(field)];
  };
  if (format == DataFormat::Binary) {
    std::vector<int64_t> codes;
    codes.reserve(records.size());
    for (const SampleRecord& r : records)
      codes.push_back(static_cast<int64_t>(sampleValue(text(r), format)));
    return codeNoise(codes);
  }
  // mV texts ("+01234.5") become whole numbers of their smallest decimal.
  int decimals = 0;
  for (const SampleRecord& r : records) {
    const size_t point = text(r).find('.');
    if (point != std::string::npos)
      decimals = std::max(decimals, static_cast<int>(text(r).size() - point - 1));
  }
  const double step = std::pow(10.0, std::min(decimals, 7));
  std::vector<int64_t> steps;
  steps.reserve(records.size());
  for (const SampleRecord& r : records)
    steps.push_back(std::llround(sampleValue(text(r), format) * step));
  NoiseFigures f = codeNoise(steps);
  const double unit = step * mvDivisor;
  f.mean /= unit;
  f.sd /= unit;
  f.peakToPeak /= unit;
  f.noiseFreeBits.reset();
  f.effectiveBits.reset();
  return f;
}

}  // namespace tarn
