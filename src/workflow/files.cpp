#include "workflow/files.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <fstream>

#include "datafile/code_page.h"
#include "datafile/csv_lines.h"
#include "datafile/save.h"

namespace tarn {

void saveDataFile(const MeasurementSettings& settings, std::span<const SampleRecord> records,
                  const std::string& dateTime, const std::string& path) {
  const std::optional<std::string> bytes =
      datafile::dataFileText(datafile::csvText(settings, records, dateTime));
  if (!bytes) throw FileError("the character set " + datafile::systemCharset() + " is unknown");
  replaceFile(path, *bytes);
}

DataFileRead readDataFileAt(const std::string& path) {
  std::string bytes;
  try {
    std::ifstream in(path, std::ios::binary);
    if (!in.is_open()) throw std::ios_base::failure("open");
    // In blocks, not a character at a time: twelve files of 65535 x 2
    // records are 13 MB. A folder throws.
    std::array<char, 1 << 16> block{};
    for (std::streamsize n; (n = in.rdbuf()->sgetn(block.data(), block.size())) > 0;)
      bytes.append(block.data(), static_cast<size_t>(n));
  } catch (const std::ios_base::failure&) {
    return {std::nullopt, 1, "cannot read " + path + ": " + std::strerror(errno)};
  }
  try {
    return {datafile::readDataFile(bytes), 0, {}};
  } catch (const datafile::NotADataFile& e) {
    return {std::nullopt, 2, path + " is not a data file: " + e.what()};
  }
}

}  // namespace tarn
