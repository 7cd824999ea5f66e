#include "datafile/saved_file.h"

#include <array>
#include <charconv>

#include "datafile/code_page.h"
#include "datafile/datafile_texts.h"
#include "datafile/platform_text.h"

namespace tarn::datafile {
namespace {

namespace texts = datafile_texts;

std::vector<std::string_view> linesOf(std::string_view bytes) {
  std::vector<std::string_view> lines;
  while (!bytes.empty()) {
    const size_t end = bytes.find('\n');
    std::string_view line = bytes.substr(0, end);
    if (line.ends_with('\r')) line.remove_suffix(1);
    lines.push_back(line);
    if (end == std::string_view::npos) break;
    bytes.remove_prefix(end + 1);
  }
  return lines;
}

// The charset whose title line the file begins with.
std::optional<std::string> charsetOf(std::string_view title) {
  for (const std::string& charset : {systemCharset(), std::string("UTF-8"), std::string("CP932")})
    if (encodeText(texts::kTitle, charset) == std::string(title)) return charset;
  return std::nullopt;
}

// The value of header line `index`, which must begin with `label`.
std::string headerValue(std::span<const std::string_view> lines, size_t index, const char* label,
                        const std::string& charset) {
  const std::optional<std::string> line = platform::toUtf8(lines[index], charset);
  if (!line || !line->starts_with(label))
    throw NotADataFile("line " + std::to_string(index + 1) + " is not \"" + label + "...\"");
  return line->substr(std::string_view(label).size());
}

// The record of a row: the channels' values of `width` characters, comma
// separated; nothing for a row that is not such values.
std::optional<SampleRecord> recordOf(std::string_view row, std::span<const int> fields,
                                     size_t width, DataFormat format) {
  if (row.size() != fields.size() * (width + 1) - 1 || (fields.size() == 2 && row[width] != ','))
    return std::nullopt;
  SampleRecord record;
  for (size_t f = 0; f < fields.size(); ++f) {
    const std::string_view value = row.substr(f * (width + 1), width);
    if (!isValueText(value, format)) return std::nullopt;
    record.field[static_cast<size_t>(fields[f])] = value;
  }
  return record;
}

}  // namespace

SavedFile readDataFile(std::string_view bytes) {
  // UTF-8 from a Windows whose code page could not hold the text.
  if (bytes.starts_with(kUtf8Mark)) bytes.remove_prefix(kUtf8Mark.size());
  const std::vector<std::string_view> lines = linesOf(bytes);
  if (lines.size() < 7) throw NotADataFile("it has fewer than the 7 header lines");
  SavedFile file;
  const std::optional<std::string> charset = charsetOf(lines[0]);
  if (!charset)
    throw NotADataFile("line 1 is not the title \"" + std::string(texts::kTitle) + "\"");
  file.charset = *charset;
  file.dateTime = platform::toUtf8(lines[1], file.charset).value_or("");
  MeasurementSettings& s = file.settings;
  s.boardSettings = headerValue(lines, 2, texts::kSettings, file.charset);
  s.rateText = headerValue(lines, 3, texts::kRate, file.charset);
  s.channelText = headerValue(lines, 4, texts::kChannels, file.charset);
  const std::string count = headerValue(lines, 5, texts::kCount, file.charset);
  s.columnHeading = platform::toUtf8(lines[6], file.charset).value_or("");
  s.channels = s.columnHeading.find(',') != std::string::npos ? Channels::Both
               : s.columnHeading.starts_with("CH1")           ? Channels::Ch1
                                                              : Channels::Ch0;

  std::span<const std::string_view> rows = std::span(lines).subspan(7);
  if (!rows.empty() && rows.back().empty()) rows = rows.first(rows.size() - 1);
  const std::string_view digits = std::string_view(count).substr(count.starts_with(' ') ? 1 : 0);
  int64_t n = -1;
  const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), n);
  if (ec != std::errc() || end != digits.data() + digits.size() ||
      n != static_cast<int64_t>(rows.size()))
    throw NotADataFile("its count \"" + count + "\" is not its " + std::to_string(rows.size()) +
                       " rows");
  if (rows.empty()) throw NotADataFile("it holds no records");

  const std::span<const int> fields = measuredFields(s.channels);
  const size_t width = rows.front().substr(0, rows.front().find(',')).size();
  if (width != 6 && width != 8)
    throw NotADataFile("row 1's value is neither 6 (binary) nor 8 (mV) characters long");
  s.format = width == 6 ? DataFormat::Binary : DataFormat::Millivolt;
  file.records.reserve(rows.size());
  for (size_t i = 0; i < rows.size(); ++i) {
    std::optional<SampleRecord> record = recordOf(rows[i], fields, width, s.format);
    if (record) {
      file.records.push_back(std::move(*record));
    } else if (file.leftOut++ == 0) {
      file.firstLeftOut = i + 1;
    }
  }
  if (file.records.empty())
    throw NotADataFile("none of its " + std::to_string(rows.size()) + " rows is " +
                       std::to_string(fields.size()) + " value(s) of " + std::to_string(width) +
                       " characters");
  s.count = static_cast<int32_t>(file.records.size());
  return file;
}

}  // namespace tarn::datafile
