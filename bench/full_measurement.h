#pragma once

// A full two-channel measurement as the board sends it: a noisy sine about
// mid-scale on CH0 and a slower one on CH1.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "acquisition/measurement.h"
#include "figures.h"

namespace bench {

constexpr int32_t kRecords = 65535;

// The board's stream: kRecords records of both channels, each ending in CR.
inline std::string fullStream(bool binary) {
  std::string stream;
  char text[16];
  for (int32_t i = 0; i < kRecords; ++i) {
    const double a = 40000 * std::sin(i / 300.0) + (i * 7919 % 101) - 50;
    const double b = 25000 * std::sin(i / 4000.0);
    for (const double v : {a, b}) {
      if (binary)
        std::snprintf(text, sizeof text, "%06X", static_cast<unsigned>(8388608 + std::lround(v)));
      else
        std::snprintf(text, sizeof text, "%+08.1f", v / 10);
      stream += text;
    }
    stream += '\r';
  }
  return stream;
}

// The settings the window captures at the start of that measurement.
inline tarn::MeasurementSettings fullSettings(bool binary) {
  tarn::MeasurementSettings s;
  s.format = binary ? tarn::DataFormat::Binary : tarn::DataFormat::Millivolt;
  s.channels = tarn::Channels::Both;
  s.count = kRecords;
  s.rateCode = 11;
  s.rateText = "1007sps";
  s.boardSettings = "±2.5V / IntRef / Sinc5+Sinc1";
  s.channelText = "CH0 / CH1";
  s.columnHeading = "CH0=Ain0-Ain1,CH1=Ain2-Ain3";
  return s;
}

// The measurement once every record has arrived; it exits when one is missing,
// so no figure is ever taken on a short table.
inline tarn::Measurement fullMeasurement(bool binary) {
  tarn::Measurement m(fullSettings(binary), true);
  if (m.feed(fullStream(binary)) != tarn::Measurement::State::Finished ||
      m.received() != kRecords) {
    std::fprintf(stderr, "the full measurement holds %d records\n", m.received());
    std::exit(1);
  }
  return m;
}

// Prints the timings of one step on a full measurement and reports their median.
inline void printTimings(const std::string& what, const std::vector<double>& ms) {
  const Spread s = spread(ms);
  std::printf("%-44s best %8.2f ms   median %8.2f ms   worst %8.2f ms\n", what.c_str(), s.best,
              s.median, s.worst);
  figure(what + ", 65535 x 2: median", s.median, "ms");
}

}  // namespace bench
