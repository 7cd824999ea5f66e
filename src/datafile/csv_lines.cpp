#include "datafile/csv_lines.h"

#include <locale.h>

#include <cstdio>
#include <ctime>
#include <cwchar>
#include <iterator>
#include <span>
#include <string_view>

#include "common/numbers.h"
#include "datafile/datafile_texts.h"

namespace tarn::datafile {
namespace {

void appendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// The short date in the environment's LC_TIME, whatever the program's own
// locale is. Wide characters keep it apart from the environment's charset;
// wchar_t holds UCS-4 here (glibc).
std::string shortDate(const LocalDateTime& t) {
  std::tm tm{};
  tm.tm_year = t.year - 1900;
  tm.tm_mon = t.month - 1;
  tm.tm_mday = t.day;
  tm.tm_hour = 12;  // far from any daylight-saving gap
  tm.tm_isdst = -1;
  std::mktime(&tm);  // fills the weekday, which some locales' dates show
  locale_t env = newlocale(LC_ALL_MASK, "", nullptr);
  if (!env) env = newlocale(LC_ALL_MASK, "C", nullptr);
  const locale_t previous = uselocale(env);
  wchar_t date[64];
  const size_t length = std::wcsftime(date, std::size(date), L"%x", &tm);
  uselocale(previous);
  freelocale(env);
  std::string text;
  for (size_t i = 0; i < length; ++i) appendUtf8(text, static_cast<char32_t>(date[i]));
  return text;
}

}  // namespace

std::string dateTimeText(const LocalDateTime& t) {
  std::string text = shortDate(t);
  if (t.hour == 0 && t.minute == 0 && t.second == 0) return text;
  char time[16];
  std::snprintf(time, sizeof time, " %d:%02d:%02d", t.hour, t.minute, t.second);
  return text + time;
}

std::string csvText(const Measurement& measurement, const std::string& dateTime) {
  namespace texts = datafile_texts;
  const MeasurementSettings& settings = measurement.settings();
  const std::span<const SampleRecord> records = measurement.records();
  std::string text;
  text.reserve(512 + records.size() * 20);  // two mV fields, a comma and CR LF are 19
  const auto line = [&text](std::string_view a, std::string_view b = {}) {
    text.append(a).append(b).append("\r\n");
  };
  line(texts::kTitle);
  line(dateTime);
  line(texts::kSettings, settings.boardSettings);
  line(texts::kRate, settings.rateText);
  line(texts::kChannels, settings.channelText);
  line(texts::kCount, digitText(static_cast<double>(records.size())));
  line(settings.columnHeading);
  const std::span<const int> fields = measuredFields(settings.channels);
  for (const SampleRecord& record : records) {
    text.append(record.field[static_cast<size_t>(fields.front())]);
    if (fields.size() == 2) text.append(",").append(record.field[1]);
    text.append("\r\n");
  }
  return text;
}

}  // namespace tarn::datafile
