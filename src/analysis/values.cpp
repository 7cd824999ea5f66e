#include "analysis/values.h"

#include <cctype>

#include "analysis/analysis_texts.h"
#include "common/numbers.h"

namespace tarn {

double sampleValue(std::string_view text, DataFormat format) {
  if (format == DataFormat::Millivolt) return TextToNumber(text);
  // Only the hexadecimal digits the text begins with go between "&H" and the
  // closing "&", so the value stays unsigned whatever follows them. Built on
  // the stack: every plot reads 65535 x 2 of these.
  char hex[32] = {'&', 'H'};
  size_t n = 2;
  for (char c : text) {
    if (c == ' ' || c == '\t' || c == '\n') continue;
    if (!std::isxdigit(static_cast<unsigned char>(c)) || n == sizeof hex - 1) break;
    hex[n++] = c;
  }
  hex[n++] = '&';
  return TextToNumber(std::string_view(hex, n));
}

Spread fieldSpread(std::span<const SampleRecord> records, int field, DataFormat format) {
  const bool binary = format == DataFormat::Binary;
  Spread spread{binary ? 0.0 : -500000.0, binary ? 16777215.0 : 500000.0};
  for (const SampleRecord& record : records) {
    const double value =
        toInt32Clamped(sampleValue(record.field[static_cast<size_t>(field)], format));
    if (value > spread.max) spread.max = value;
    if (value < spread.min) spread.min = value;
  }
  return spread;
}

std::string peakToPeakText(const Measurement& measurement, const BoardProfile& board) {
  namespace t = analysis_texts;
  const MeasurementSettings& settings = measurement.settings();
  const bool binary = settings.format == DataFormat::Binary;
  const auto spread = [&](int field) {
    const double d = fieldSpread(measurement.records(), field, settings.format).width();
    return binary ? digitText(d) : fixedText(d / board.mvSummaryDivisor, board.mvSummaryDecimals);
  };
  switch (settings.channels) {
    case Channels::Ch0:
      return (binary ? t::kDigitPpCh0 : t::kMvPpCh0) + spread(0);
    case Channels::Ch1:
      return (binary ? t::kDigitPpCh1 : t::kMvPpCh1) + spread(1);
    case Channels::Both:
      break;
  }
  return (binary ? t::kDigitPpBoth : t::kMvPpBoth) + spread(0) + t::kPpThenCh1 + spread(1);
}

}  // namespace tarn
