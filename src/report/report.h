#pragma once

#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "analysis/noise_analysis.h"

namespace tarn {

// Records that give no report: none at all, or a channel without a value.
class ReportError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// What the report's header tells beside the measurement's own settings.
struct ReportHeader {
  const MeasurementSettings& settings;
  int32_t records;
  std::string_view boardName;  // "Pellan2"
  std::string_view dateTime;   // the measurement's, as the data file gives it
};

// The header's rows, each a name and its value: board, settings, input range,
// rate, channels, data format, records and date.
std::vector<std::pair<std::string, std::string>> headerRows(const ReportHeader& header);

// What the comparison page shares with the report: the style sheet, and the
// section that tells how the figures are computed.
std::string_view reportStyle();
std::string_view reportMethod();

// Throws ReportError when the channels give no report.
void checkReportable(std::span<const ChannelAnalysis> channels);

// The noise report: one HTML page that needs nothing else (the pictures are
// inline SVG, no script, no font or style fetched), laid out for the screen
// and for A4 paper. The header, then per channel the figures with their
// formulas (the rms noise with its 95 % interval), the waveform, the
// histogram, the spectrum and its lines, and the Allan deviation.
// Throws ReportError as checkReportable does.
std::string reportHtml(const ReportHeader& header, std::span<const ChannelAnalysis> channels);

// The report's content without its page, for a page of several runs: the
// header table, then each channel's section. Throws ReportError as
// checkReportable does.
std::string reportSections(const ReportHeader& header, std::span<const ChannelAnalysis> channels);

// A whole page: the title, the report's style, `body` (HTML), and how the
// figures are computed at its end.
std::string reportPage(std::string_view title, std::string_view body);

}  // namespace tarn
