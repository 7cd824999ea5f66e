#include "analysis/values.h"

#include <cstdint>
#include <optional>

#include "analysis/analysis_texts.h"
#include "common/numbers.h"

namespace tarn {
namespace {

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  const char lower = static_cast<char>(c | 0x20);
  return lower >= 'a' && lower <= 'f' ? lower - 'a' + 10 : -1;
}

// A sign, digits and perhaps a point and more digits, fifteen digits at most,
// as the boards send mV values ("+01234.5"): the digits as an integer over a
// power of ten, one correctly rounded division, is the value the general
// reading gives.
std::optional<double> plainDecimal(std::string_view text) {
  const bool negative = !text.empty() && text.front() == '-';
  if (!text.empty() && (negative || text.front() == '+')) text.remove_prefix(1);
  int64_t digits = 0;
  double scale = 1;
  int count = 0;
  bool point = false;
  for (const char c : text) {
    if (c == '.' && !point && count > 0) {
      point = true;
    } else if (c >= '0' && c <= '9' && count < 15) {
      digits = digits * 10 + (c - '0');
      ++count;
      if (point) scale *= 10;
    } else {
      return std::nullopt;
    }
  }
  if (count == 0) return std::nullopt;
  const double value = static_cast<double>(digits) / scale;
  return negative ? -value : value;
}

Spread startingSpread(DataFormat format) {
  const bool binary = format == DataFormat::Binary;
  return {binary ? 0.0 : -500000.0, binary ? 16777215.0 : 500000.0};
}

void widen(Spread& spread, double value) {
  const double whole = toInt32Clamped(value);
  if (whole > spread.max) spread.max = whole;
  if (whole < spread.min) spread.min = whole;
}

}  // namespace

double sampleValue(std::string_view text, DataFormat format) {
  // Every plot and summary reads 65535 x 2 of these: the common forms are
  // read directly.
  if (format == DataFormat::Millivolt) {
    const std::optional<double> plain = plainDecimal(text);
    return plain ? *plain : TextToNumber(text);
  }
  // The hexadecimal digits the text begins with, blanks skipped, read as the
  // unsigned "&H...&" reads them: the first sixteen digits count.
  uint64_t value = 0;
  int digits = 0;
  for (const char c : text) {
    if (c == ' ' || c == '\t' || c == '\n') continue;
    const int digit = hexDigit(c);
    if (digit < 0) break;
    if (digits++ < 16) value = value * 16 + static_cast<uint64_t>(digit);
  }
  return static_cast<double>(value);
}

SampleValues::SampleValues(const MeasurementSettings& settings)
    : settings_(settings),
      spread_{startingSpread(settings.format), startingSpread(settings.format)} {}

void SampleValues::update(std::span<const SampleRecord> records) {
  for (const int f : measuredFields(settings_.channels)) {
    const auto at = static_cast<size_t>(f);
    for (const SampleRecord& record : records.subspan(read_)) {
      const double value = sampleValue(record.field[at], settings_.format);
      values_[at].push_back(value);
      widen(spread_[at], value);
    }
  }
  read_ = records.size();
}

std::string peakToPeakText(const Measurement& measurement, const BoardProfile& board) {
  SampleValues values(measurement.settings());
  values.update(measurement.records());
  return peakToPeakText(values, board);
}

std::string peakToPeakText(const SampleValues& values, const BoardProfile& board) {
  namespace t = analysis_texts;
  const MeasurementSettings& settings = values.settings();
  const bool binary = settings.format == DataFormat::Binary;
  const auto spread = [&](int field) {
    const double d = values.spread(field).width();
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
