#pragma once

#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "acquisition/measurement.h"  // rateHzOf, for the spectrum's users

namespace tarn {

// A line standing above the noise floor: its frequency (the power-weighted
// centre of its bins) and its rms size (the root of its power above the
// floor). `mainsHz` is 50 or 60 when it falls on that mains frequency or one
// of its harmonics (`harmonic` 1 for the fundamental), 0 otherwise.
struct SpectralLine {
  double hz, rms;
  int mainsHz = 0, harmonic = 0;
};

// Welch's estimate of the one-sided amplitude spectral density of values
// sampled at `rateHz`, in the values' unit per √Hz:
//   segments of L = 2^k values (at most 4096 and a quarter of the values,
//   at least 16), overlapped by half, each less its mean and multiplied by
//   the 4-term Blackman-Harris window w; per segment
//   P(f) = 2·|FFT(w·x)(f)|² / (rate · Σw²) (not doubled at 0 and rate/2);
//   the mean of P over the segments, and its root.
// The noise density is the median of that density over the bins above the
// window's DC lobe, corrected for the median's bias under averaging.
struct Spectrum {
  double binHz = 0;  // rate / L
  int segmentLength = 0, segments = 0;
  std::vector<double> density;  // bins 0 .. L/2
  double noiseDensity = 0;
  std::vector<SpectralLine> lines;  // largest first
};

// The fewest values a spectrum is taken of.
inline constexpr size_t kSpectrumMinimum = 16;
// Lines are reported whose peak power stands at least this much above the
// local floor (the median power of the bins around them).
inline constexpr double kLineFactor = 10;
inline constexpr size_t kMostLines = 8;

// Nothing for fewer than kSpectrumMinimum values or a rate that is not positive.
std::optional<Spectrum> spectrumOf(std::span<const double> values, double rateHz);

}  // namespace tarn
