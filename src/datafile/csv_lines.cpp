#include "datafile/csv_lines.h"

#include <locale.h>

#include <cstdio>
#include <ctime>
#include <cwchar>
#include <iterator>
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

std::string selectedText(const ComboBox& combo) { return combo.list(combo.listIndex()); }

std::string columnHeading(int16_t channelMode, const ComboBox& combo2) {
  if (channelMode == 2) return combo2.list(0) + "," + combo2.list(1);
  return selectedText(combo2);
}

std::string dateTimeText(const LocalDateTime& t) {
  std::string text = shortDate(t);
  if (t.hour == 0 && t.minute == 0 && t.second == 0) return text;
  char time[16];
  std::snprintf(time, sizeof time, " %d:%02d:%02d", t.hour, t.minute, t.second);
  return text + time;
}

std::string csvText(const Header& header, int16_t channelMode,
                    std::span<const SampleRecord> records) {
  namespace texts = datafile_texts;
  std::string text;
  text.reserve(512 + records.size() * 20);  // two mV fields, a comma and CR LF are 19
  const auto line = [&text](std::string_view a, std::string_view b = {}) {
    text.append(a).append(b).append("\r\n");
  };
  line(header.title);
  line(header.dateTime);
  line(texts::kSettings, header.settings);
  line(texts::kRate, header.rate);
  line(texts::kChannels, header.channels);
  line(texts::kCount, digitText(static_cast<double>(records.size())));
  line(header.heading);
  const size_t field = channelMode == 1 ? 1 : 0;
  for (const SampleRecord& record : records) {
    if (channelMode == 2) {
      text.append(record.field[0]).append(",").append(record.field[1]);
    } else {
      text.append(record.field[field]);
    }
    text.append("\r\n");
  }
  return text;
}

}  // namespace tarn::datafile
