#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace tarn {

// The overlapping Allan deviation of one averaging length m: with S the
// prefix sums of the n values (S0 = 0, Sk = x0 + … + x(k−1)),
//   ADEV(m)² = Σ_j (S(j+2m) − 2·S(j+m) + S(j))² / (2·m²·(n − 2m + 1)),  j = 0 … n − 2m,
// half the mean square difference of the means of every two adjacent runs of
// m values. White noise of rms σ gives σ/√m; drift makes it rise again.
struct AllanPoint {
  int64_t values = 0;             // m
  std::optional<double> seconds;  // τ = m / rate, when the rate is known
  double adev = 0;                // in the values' unit
};

struct AllanDeviation {
  std::vector<AllanPoint> points;  // m = 1, 2, 4, … up to n / 4
  // Where it stops falling: the point of the least deviation (the first of
  // equal ones), past which no longer averaging lowers the noise. Nothing when
  // that is the last point (it may fall further) or every deviation is zero.
  // The least, not the first rise: a mains line lifts a few short lengths above
  // their neighbours, and the first rise would name that bump.
  std::optional<size_t> turn;
};

// The fewest values with a deviation: m = 1 needs n / 4 ≥ 1.
inline constexpr size_t kAllanMinimum = 4;

// The deviation at m = 1, 2, 4, … up to n / 4, each in O(n) from the prefix
// sums (of the values less the first one, so that the sums of codes stay
// whole numbers below 2^53, exact); τ = m / rateHz when rateHz is given. No points for fewer than
// kAllanMinimum values.
AllanDeviation allanDeviation(std::span<const double> values, std::optional<double> rateHz);

}  // namespace tarn
