#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "acquisition/measurement.h"
#include "datafile/saved_file.h"

namespace tarn {

// Replaces the file at `path` with `bytes` in one step: a temporary file
// beside it, renamed over it, so that a failure leaves the old file whole.
// Throws FileError saying why. Each system's cli_files.cpp under platform/
// holds it.
void replaceFile(const std::string& path, std::string_view bytes);

// Makes the folder at `path`, and the folders above it, where they are
// missing. Throws FileError saying why, also when `path` is a file.
void makeFolder(const std::string& path);

// The records as the window saves them, in the user's character set, with
// `dateTime` as the date line, written at `path` in one step. Throws
// FileError saying why they cannot be.
void saveDataFile(const MeasurementSettings& settings, std::span<const SampleRecord> records,
                  const std::string& dateTime, const std::string& path);

// A data file read from `path`, or the exit status and the message of one
// that cannot be: 1 when it cannot be read, 2 when it is not a data file.
struct DataFileRead {
  std::optional<datafile::SavedFile> file;
  int status = 0;
  std::string error;
};
DataFileRead readDataFileAt(const std::string& path);

}  // namespace tarn
