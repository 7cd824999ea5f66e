#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "acquisition/measurement.h"
#include "common/seams.h"

namespace tarn {

// A file could not be examined or written.
class FileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// What a file dialog is shown with. The save dialog asks before replacing a
// file and accepts only a path in a folder that exists.
struct SaveRequest {
  std::string title;
  std::string filter;   // "description | pattern" pairs, "|"-separated
  std::string folder;   // where it opens
  std::string offered;  // the path chosen last time, offered again; may be empty
};

// The system's file dialogs, modal over the window. Each gives nothing when
// the user cancels or no dialog can be shown.
class SaveDialog {
 public:
  virtual ~SaveDialog() = default;
  // The save dialog: the chosen full path.
  virtual std::optional<std::string> askSavePath(const SaveRequest& request) = 0;
  // The folder dialog (title and folder; no filter, nothing offered): the
  // full path of an existing folder.
  virtual std::optional<std::string> askFolder(const SaveRequest& request) = 0;
  // The open dialog with several files chosen (title, filter and folder):
  // their full paths, each an existing file.
  virtual std::vector<std::string> askOpenPaths(const SaveRequest& request) = 0;
};

// Message boxes with the platform's default title.
class MessageBox {
 public:
  virtual ~MessageBox() = default;
  virtual void tell(const std::string& text) = 0;  // OK
  virtual bool ask(const std::string& text) = 0;   // Yes (true) or No
};

// The files the program writes. Failures throw FileError.
class FileStore {
 public:
  virtual ~FileStore() = default;
  // Bytes held by the file at `path`, or -1 when there is none; opens nothing
  // for writing.
  virtual int64_t fileLength(const std::string& path) = 0;
  // `bytes` become the whole content of the file in one step: after a failure
  // the file is as it was before.
  virtual void replaceFile(const std::string& path, std::string_view bytes) = 0;
  // The whole content of the file at `path`.
  virtual std::string readFile(const std::string& path) = 0;
  virtual bool folderWritable(const std::string& folder) = 0;
  virtual std::string homeFolder() = 0;
  virtual std::string programFolder() = 0;
};

// The file's bytes: its lines in the user's character set, the date and time
// of now.
std::optional<std::string> dataFileBytes(const Measurement& measurement, Clock& clock);

// Saving a measurement: the dialog, the question before replacing a file that
// holds data, the write, and one message for any failure.
class DataFileSaver {
 public:
  DataFileSaver(SaveDialog& dialog, MessageBox& messages, FileStore& files, Clock& clock)
      : dialog_(dialog), messages_(messages), files_(files), clock_(clock) {}

  // Asks for a path and saves there; the path is offered again next time.
  void save(const Measurement& measurement);
  // Saves at `path`, asking first when the file holds data; true when written.
  bool saveAt(const std::string& path, const Measurement& measurement);

 private:
  SaveDialog& dialog_;
  MessageBox& messages_;
  FileStore& files_;
  Clock& clock_;
  std::string lastPath_;
};

}  // namespace tarn
