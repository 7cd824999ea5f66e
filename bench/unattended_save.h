#pragma once

// The program's save of a measurement, without a person at the window: the
// path is given, a file already there is replaced without asking, and a
// failure is printed. The file goes through the real store (QSaveFile).
#include <cstdio>
#include <optional>
#include <string>

#include "common/system_clock.h"
#include "datafile/save.h"
#include "ui/qt/qt_datafile.h"

namespace bench {

class UnattendedSave : tarn::SaveDialog, tarn::MessageBox {
 public:
  // True when the file was written.
  bool operator()(const std::string& path, const tarn::Measurement& measurement) {
    return saver_.saveAt(path, measurement);
  }

 private:
  std::optional<std::string> askSavePath(const tarn::SaveRequest&) override { return std::nullopt; }
  std::optional<std::string> askFolder(const tarn::SaveRequest&) override { return std::nullopt; }
  std::vector<std::string> askOpenPaths(const tarn::SaveRequest&) override { return {}; }
  void tell(const std::string& text) override { std::fprintf(stderr, "%s\n", text.c_str()); }
  bool ask(const std::string&) override { return true; }

  tarn::QtFileStore files_;
  tarn::SystemClock clock_;
  tarn::DataFileSaver saver_{*this, *this, files_, clock_};
};

}  // namespace bench
