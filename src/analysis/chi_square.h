#pragma once

#include <cstdint>
#include <optional>

namespace tarn {

// The regularized incomplete gamma functions P(a, x) = γ(a, x) / Γ(a) and
// Q(a, x) = 1 − P(a, x), for a > 0 and x ≥ 0: the series of P below
// x = a + 1, the continued fraction of Q above it, each to double precision.
double gammaP(double a, double x);
double gammaQ(double a, double x);

// The quantile of the chi-square distribution with `dof` degrees of freedom
// (dof > 0): the x with P(dof / 2, x / 2) = p, for 0 < p < 1. Newton's
// method inside a bracket that bisection narrows whenever a step leaves it;
// relative error below 1e-10 for dof from 1 to 65534.
double chiSquareQuantile(double dof, double p);

struct Interval {
  double low = 0, high = 0;
};

// The 95 % confidence interval of the rms noise σ from the sd over n
// independent values of normal noise: n·sd²/σ² follows the chi-square
// distribution with n − 1 degrees of freedom, so
//   σ lies in [sd·√(n / χ²(0.975; n − 1)), sd·√(n / χ²(0.025; n − 1))].
// Nothing for fewer than 2 values.
std::optional<Interval> sdInterval95(double sd, int64_t n);

}  // namespace tarn
