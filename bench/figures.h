#pragma once

// The benchmarks print for people. With TARNVIEW_BENCH_TSV naming a file,
// each also appends its figures there, one "name<TAB>value<TAB>unit" line
// each, for scripts/perf-report to collect.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <numeric>
#include <string>
#include <vector>

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

// The milliseconds each of `runs` calls of fn took.
template <typename Fn>
std::vector<double> timeRuns(int runs, Fn&& fn) {
  std::vector<double> ms;
  for (int run = 0; run < runs; ++run) {
    const auto start = std::chrono::steady_clock::now();
    fn();
    ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                     .count());
  }
  return ms;
}

struct Spread {
  double best, median, p99, worst, mean;
};

inline Spread spread(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return {v.front(), v[v.size() / 2], v[v.size() * 99 / 100], v.back(),
          std::accumulate(v.begin(), v.end(), 0.0) / static_cast<double>(v.size())};
}

// A "Vm…:" field of /proc/self/status ("VmRSS", "VmHWM"), in kB.
inline long statusKb(const std::string& field) {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind(field + ":", 0) == 0) return std::stol(line.substr(field.size() + 1));
  return -1;
}

}  // namespace bench
