#include "analysis/chi_square.h"

#include <cmath>
#include <limits>

namespace tarn {
namespace {

constexpr double kEpsilon = std::numeric_limits<double>::epsilon();
constexpr int kMostTerms = 1'000'000;  // a = 32767 needs about 2000

// x^a e^−x / Γ(a), the factor both forms share, in logarithms so that large
// a neither overflows nor underflows on the way.
double gammaFactor(double a, double x) { return std::exp(a * std::log(x) - x - std::lgamma(a)); }

// P(a, x) = x^a e^−x / Γ(a) · Σ x^k / (a (a + 1) … (a + k)), for x < a + 1.
double lowerSeries(double a, double x) {
  double term = 1 / a, sum = term;
  for (int k = 1; k < kMostTerms && term > sum * kEpsilon; ++k) {
    term *= x / (a + k);
    sum += term;
  }
  return sum * gammaFactor(a, x);
}

// Q(a, x) = x^a e^−x / Γ(a) · 1 / (x + 1 − a − 1·(1 − a) / (x + 3 − a − 2·(2 − a) / …)),
// for x ≥ a + 1, by the modified Lentz method.
double upperFraction(double a, double x) {
  constexpr double kTiny = 1e-300;
  double b = x + 1 - a, c = 1 / kTiny, d = 1 / b, h = d;
  for (int i = 1; i < kMostTerms; ++i) {
    const double an = -i * (i - a);
    b += 2;
    d = an * d + b;
    if (std::fabs(d) < kTiny) d = kTiny;
    c = b + an / c;
    if (std::fabs(c) < kTiny) c = kTiny;
    d = 1 / d;
    const double delta = d * c;
    h *= delta;
    if (std::fabs(delta - 1) <= kEpsilon) break;
  }
  return h * gammaFactor(a, x);
}

// The chi-square density at x > 0.
double chiSquareDensity(double dof, double x) {
  const double a = dof / 2;
  return std::exp((a - 1) * std::log(x / 2) - x / 2 - std::lgamma(a)) / 2;
}

}  // namespace

double gammaP(double a, double x) {
  if (x <= 0) return 0;
  return x < a + 1 ? lowerSeries(a, x) : 1 - upperFraction(a, x);
}

double gammaQ(double a, double x) {
  if (x <= 0) return 1;
  return x < a + 1 ? 1 - lowerSeries(a, x) : upperFraction(a, x);
}

double chiSquareQuantile(double dof, double p) {
  // The smaller tail is the one computed, so that 1 − p loses nothing.
  const bool lower = p <= 0.5;
  const double a = dof / 2;
  // F(x) − p, from whichever tail is below one half.
  const auto excess = [&](double x) {
    return lower ? gammaP(a, x / 2) - p : (1 - p) - gammaQ(a, x / 2);
  };
  double low = 0, high = std::numeric_limits<double>::infinity(), x = dof;
  for (int step = 0; step < 400; ++step) {
    const double e = excess(x);
    if (e == 0) return x;
    (e > 0 ? high : low) = x;
    double next = x - e / chiSquareDensity(dof, x);
    // A Newton step that leaves the bracket is replaced by its middle (or a
    // doubling while there is no upper end yet).
    if (!(next > low && next < high)) next = std::isinf(high) ? 2 * x : (low + high) / 2;
    if (std::fabs(next - x) <= 4 * kEpsilon * x) return next;
    x = next;
  }
  return x;
}

std::optional<Interval> sdInterval95(double sd, int64_t n) {
  if (n < 2) return std::nullopt;
  const auto count = static_cast<double>(n);
  return Interval{sd * std::sqrt(count / chiSquareQuantile(count - 1, 0.975)),
                  sd * std::sqrt(count / chiSquareQuantile(count - 1, 0.025))};
}

}  // namespace tarn
