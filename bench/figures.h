#pragma once

// The benchmarks print for people. With TARNVIEW_BENCH_TSV naming a file,
// each also appends its figures there, one "name<TAB>value<TAB>unit" line
// each, for scripts/perf-report to collect.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace bench {

inline void figure(const std::string& name, double value, const char* unit) {
  static std::FILE* const out = [] {
    const char* path = std::getenv("TARNVIEW_BENCH_TSV");
    return path && *path ? std::fopen(path, "a") : nullptr;
  }();
  if (!out) return;
  // At least four significant digits, never in exponent form.
  const int magnitude = value == 0 || !std::isfinite(value)
                            ? 0
                            : static_cast<int>(std::floor(std::log10(std::fabs(value))));
  std::fprintf(out, "%s\t%.*f\t%s\n", name.c_str(), std::max(0, 3 - magnitude), value, unit);
  std::fflush(out);
}

}  // namespace bench
