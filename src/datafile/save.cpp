#include "datafile/save.h"

#include "datafile/code_page.h"
#include "datafile/csv_lines.h"
#include "datafile/datafile_texts.h"

namespace tarn {

namespace texts = datafile_texts;

std::optional<std::string> dataFileBytes(const Measurement& measurement, Clock& clock) {
  return datafile::dataFileText(
      datafile::csvText(measurement, datafile::dateTimeText(clock.localNow())));
}

void DataFileSaver::save(const Measurement& measurement) {
  // An installed program's folder is not the user's to write in.
  const std::string folder = files_.programFolder();
  const std::optional<std::string> path = dialog_.askSavePath(
      {texts::kDialogTitle, texts::kFilter,
       files_.folderWritable(folder) ? folder : files_.homeFolder(), lastPath_});
  if (!path || path->empty()) return;  // cancelled: nothing to save and nothing to say
  lastPath_ = *path;
  saveAt(*path, measurement);
}

bool DataFileSaver::saveAt(const std::string& path, const Measurement& measurement) {
  try {
    if (files_.fileLength(path) > 0 && !messages_.ask(path + texts::kOverwrite)) return false;
    const std::optional<std::string> bytes = dataFileBytes(measurement, clock_);
    if (bytes) {
      files_.replaceFile(path, *bytes);
      return true;
    }
  } catch (const FileError&) {
  }
  messages_.tell(texts::kSaveFailed);
  return false;
}

}  // namespace tarn
