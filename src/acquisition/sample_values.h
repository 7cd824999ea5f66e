#pragma once

#include <cstdint>

namespace tarn {

class Form1;

// Where a running maximum or minimum starts. Binary data span the converter's
// codes (FFFFFF is the highest); the mV bounds are fixed numbers, not the
// extremes an eight-character text could hold, so data beyond them leave the
// start value standing.
inline constexpr double kBinaryMaxStart = 0;
inline constexpr double kBinaryMinStart = 16777215;
inline constexpr double kMvMaxStart = -500000;
inline constexpr double kMvMinStart = 500000;

enum class Extreme { Largest, Smallest };

// The start value for the data format selected now.
double extremeStart(const Form1& form, Extreme which);

// Runs `running` over one field of records 0 to SampleCount - 1: each value is
// rounded to a 32-bit integer (halves to even) and replaces `running` when it
// is strictly larger (smaller). Values beyond 32 bits count as the nearest
// 32-bit value.
double fieldExtreme(const Form1& form, int field, Extreme which, double running);

}  // namespace tarn
