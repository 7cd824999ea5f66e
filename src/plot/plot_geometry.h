#pragma once

#include <cstdint>
#include <string>

namespace tarn {

// The values drawn at the top (y = 0), the middle and the bottom (y = H) of the
// plot. The range is symmetric about the centre and never narrower than 4.
struct PlotRange {
  int32_t top, centre, bottom;
  bool operator==(const PlotRange&) const = default;
};

// Fits the range around the data's maximum and minimum with a margin of a
// quarter of their spread (2 for a spread below 7). Halves round away from
// zero. A result outside 32 bits throws OverflowError.
PlotRange plotRange(int32_t maximum, int32_t minimum);

// The horizontal step between neighbouring records, as a 32-bit float; one
// record gives infinity.
float plotStep(float width, int32_t count);

// x of record i: floor(i * step + 0.5), taken in double from the float step.
float plotX(int32_t i, float step);

// y of a value: the range scaled over the full height, halves to even.
float plotY(double value, float height, const PlotRange& range);

// A scale label: the integer as a digit text for binary data, in millivolts
// ("0.000") for mV data.
std::string scaleLabel(int32_t value, bool binary);

// Trace colours, 0x00BBGGRR.
inline constexpr uint32_t kTraceBlue = 0xFF0000;
inline constexpr uint32_t kTraceRed = 0x0000FF;
inline constexpr uint32_t kTraceBlack = 0;

}  // namespace tarn
