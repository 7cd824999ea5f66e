#include "datafile/csv_lines.h"

#include <cstdio>
#include <span>
#include <string_view>

#include "common/numbers.h"
#include "datafile/datafile_texts.h"
#include "datafile/platform_text.h"

namespace tarn::datafile {

std::string dateTimeText(const LocalDateTime& t) {
  std::string text = platform::shortDate(t);
  if (t.hour == 0 && t.minute == 0 && t.second == 0) return text;
  char time[16];
  std::snprintf(time, sizeof time, " %d:%02d:%02d", t.hour, t.minute, t.second);
  return text + time;
}

std::string csvText(const Measurement& measurement, const std::string& dateTime) {
  return csvText(measurement.settings(), measurement.records(), dateTime);
}

std::string csvText(const MeasurementSettings& settings, std::span<const SampleRecord> records,
                    const std::string& dateTime) {
  namespace texts = datafile_texts;
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
