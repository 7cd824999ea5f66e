#pragma once

// A full two-channel measurement in the window's table, as the board sends it:
// a noisy sine about mid-scale on CH0 and a slower one on CH1.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "figures.h"

#include "ui/form1.h"

namespace bench {

constexpr int32_t kRecords = 65535;

inline void fillMeasurement(tarn::Form1& form, bool binary) {
  char text[16];
  for (int32_t i = 0; i < kRecords; ++i) {
    const double a = 40000 * std::sin(i / 300.0) + (i * 7919 % 101) - 50;
    const double b = 25000 * std::sin(i / 4000.0);
    for (int ch = 0; ch < 2; ++ch) {
      const double v = ch == 0 ? a : b;
      if (binary)
        std::snprintf(text, sizeof text, "%06X", static_cast<unsigned>(8388608 + std::lround(v)));
      else
        std::snprintf(text, sizeof text, "%+08.1f", v / 10);
      form.state.Samples[static_cast<size_t>(i)].field[ch] = text;
    }
  }
  (binary ? form.Option1 : form.Option2).setValue(true);
  form.Combo2.setListIndex(2);
  form.state.ChannelMode = 2;
  form.state.SampleIndex = form.state.SampleCount = kRecords;
}

// Prints the timings of one step on a full measurement and reports their median.
inline void printTimings(const std::string& what, const std::vector<double>& ms) {
  const Spread s = spread(ms);
  std::printf("%-44s best %8.2f ms   median %8.2f ms   worst %8.2f ms\n", what.c_str(), s.best,
              s.median, s.worst);
  figure(what + ", 65535 x 2: median", s.median, "ms");
}

}  // namespace bench
