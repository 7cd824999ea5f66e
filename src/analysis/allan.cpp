#include "analysis/allan.h"

#include <algorithm>
#include <cmath>

namespace tarn {

AllanDeviation allanDeviation(std::span<const double> values, std::optional<double> rateHz) {
  AllanDeviation allan;
  const size_t n = values.size();
  if (n < kAllanMinimum) return allan;
  std::vector<double> sums(n + 1, 0);
  for (size_t i = 0; i < n; ++i) sums[i + 1] = sums[i] + (values[i] - values[0]);
  for (size_t m = 1; m <= n / 4; m *= 2) {
    double squares = 0;
    for (size_t j = 0; j + 2 * m <= n; ++j) {
      const double twice = sums[j + 2 * m] - 2 * sums[j + m] + sums[j];
      squares += twice * twice;
    }
    const auto length = static_cast<double>(m);
    const double variance = squares / (2 * length * length * static_cast<double>(n - 2 * m + 1));
    AllanPoint& p = allan.points.emplace_back();
    p.values = static_cast<int64_t>(m);
    if (rateHz) p.seconds = static_cast<double>(m) / *rateHz;
    p.adev = std::sqrt(variance);
  }
  // The first of the least deviations, unless it is the last point (it may
  // fall further beyond n / 4) or the values do not vary at all.
  const auto least =
      std::min_element(allan.points.begin(), allan.points.end(),
                       [](const AllanPoint& a, const AllanPoint& b) { return a.adev < b.adev; });
  if (allan.points.front().adev > 0 && least + 1 != allan.points.end())
    allan.turn = static_cast<size_t>(least - allan.points.begin());
  return allan;
}

}  // namespace tarn
