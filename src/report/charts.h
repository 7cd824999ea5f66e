#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/noise_analysis.h"

namespace tarn {

// The report's pictures of one channel, each an inline SVG element of
// kChartWidth × kChartHeight pixels. Curves are drawn as the plot box draws
// its traces, one pixel column at a time, so that a picture costs what its
// pixels cost however many values it shows.
inline constexpr int kChartWidth = 720, kChartHeight = 240;

// Text as HTML and SVG show it: <, >, & and " escaped.
std::string markupText(std::string_view text);

// The values over time (seconds when the rate is known, record numbers
// otherwise), scaled to the channel's own spread.
std::string waveformSvg(const ChannelAnalysis& channel, std::optional<double> rateHz);
// The histogram's bars with the normal curve of the mean and sd over them.
std::string histogramSvg(const ChannelAnalysis& channel);
// The amplitude spectral density on a logarithmic scale, the noise density as
// a dashed line and the lines numbered as the report's table lists them.
// Needs the channel's spectrum.
std::string spectrumSvg(const ChannelAnalysis& channel);
// The overlapping Allan deviation on log-log axes against τ (against m when
// the rate is unknown): the points joined, white noise's slope −½ through the
// first point dashed, and the point where it stops falling ringed and named.
// Needs at least one point of the channel's Allan deviation.
std::string allanSvg(const ChannelAnalysis& channel);
// "τ = 0.254 s (m = 256)", τ to three significant digits; "m = 256" without a rate.
std::string allanLengthText(const AllanPoint& point);
// Seconds to three significant digits: "0.00199", "0.254", "8.14", "130".
std::string secondsText(double seconds);

// One channel's rms noise at one rate of a sweep and its 95 % interval, in
// the picture's unit.
struct RateNoise {
  double hz = 0, rms = 0, low = 0, high = 0;
};
struct RateNoiseSeries {
  int channel = 0;
  std::vector<RateNoise> points;
};
// The rms noise against the rate on log-log axes: each channel's points with
// their intervals as bars, and a dashed line of slope ½ (white noise) through
// its fastest rate's point. An rms of 0 has no place on a log scale and is
// left out. `unit` names the y axis: "µV".
std::string rateNoiseSvg(std::span<const RateNoiseSeries> series, std::string_view unit);

}  // namespace tarn
