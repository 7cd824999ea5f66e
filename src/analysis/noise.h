#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "acquisition/measurement.h"

namespace tarn {

// The noise of one channel: count, mean, standard deviation (the rms noise:
// the root of the mean squared deviation from the mean, over all n values)
// and peak-to-peak (largest minus smallest). For codes of 24 bits also
// noise-free bits = log2(2^24 / peak-to-peak) and effective resolution =
// log2(2^24 / standard deviation), each 24 for a spread of 0 and never above.
struct NoiseFigures {
  int64_t count = 0;
  double mean = 0, sd = 0, peakToPeak = 0;
  std::optional<double> noiseFreeBits, effectiveBits;
};

// Integers (codes) with the sums kept exactly, the sum of squares in 128 bits
// (65535 codes of 24 bits square to more than 64), so that only the final
// division and root round.
NoiseFigures codeNoise(std::span<const int64_t> codes);

// The figures of one field of the records. Binary data as codes. mV data in
// mV: the board's values divided by `mvDivisor` (its unit per mV), summed as
// whole numbers of their last decimal, so just as exactly; they have no bits.
NoiseFigures fieldNoise(std::span<const SampleRecord> records, int field, DataFormat format,
                        double mvDivisor);

// log2(2^24 / spread), 24 for a spread of 0 and at most 24.
double bitsOf(double spread);

}  // namespace tarn
