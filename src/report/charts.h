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

// One run's channel in a picture that may show several runs: the name its
// legend gives it, its colour, and the factor that turns its values into the
// unit the picture shows. A picture of one run without a name is the noise
// report's own, with no legend.
struct ChartSeries {
  const ChannelAnalysis& channel;
  std::string_view name;
  std::string_view colour;
  double scale = 1;
};

// The colour of the run at `index` among runs compared: twelve, then again.
std::string_view runColour(size_t index);

// The values over time (seconds when the rate is known, record numbers
// otherwise), scaled to the channel's own spread.
std::string waveformSvg(const ChannelAnalysis& channel, std::optional<double> rateHz);
// The same of a run among others, in its colour and named in its title, over
// `span` of the picture's unit about the middle of its values, so that runs
// drawn one above the other share a scale. The axis stays in the run's unit.
std::string waveformSvg(const ChartSeries& run, std::optional<double> rateHz, double span);
// The histogram's bars with the normal curve of the mean and sd over them.
std::string histogramSvg(const ChannelAnalysis& channel);
// The same of runs overlaid: each run's counts as a density (divided by n ×
// the bin width, so that runs of any length compare) about its own mean, its
// bars outlined and its normal curve drawn in its colour, with a legend.
std::string histogramSvg(std::span<const ChartSeries> runs, std::string_view unit);
// The amplitude spectral density on a logarithmic scale, the noise density as
// a dashed line and the lines numbered as the report's table lists them.
// Needs the channel's spectrum.
std::string spectrumSvg(const ChannelAnalysis& channel);
// The same of runs overlaid, each run's curve in its colour, with a legend.
// Needs every run's spectrum.
std::string spectrumSvg(std::span<const ChartSeries> runs, std::string_view unit);
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
