#pragma once

#include <optional>
#include <string>
#include <string_view>

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

}  // namespace tarn
