// Times the save of a full two-channel measurement (65535 records): the lines
// alone, their conversion to the code page, the file's bytes as the program
// makes them, and the whole save with the real file (QSaveFile, beside the
// target, then renamed over it).
#include <QCoreApplication>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdio>
#include <string>

#include "common/system_clock.h"
#include "datafile/code_page.h"
#include "datafile/csv_lines.h"
#include "datafile/save.h"
#include "figures.h"
#include "full_measurement.h"
#include "unattended_save.h"

namespace {

constexpr int kRuns = 21;

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication application(argc, argv);
  QTemporaryDir dir;
  const std::string path = dir.filePath("bench.csv").toStdString();
  tarn::SystemClock clock;
  bench::UnattendedSave save;
  std::printf("records %d x 2 channels, %d runs, charset %s, file %s\n", bench::kRecords, kRuns,
              tarn::datafile::systemCharset().c_str(), path.c_str());

  for (const bool binary : {true, false}) {
    const tarn::Measurement m = bench::fullMeasurement(binary);
    const std::string format = binary ? ", binary" : ", mV";
    std::string text;
    bench::printTimings("csvText" + format, bench::timeRuns(kRuns, [&] {
                          text = tarn::datafile::csvText(m, "2026/12/06 14:05:09");
                        }));
    std::size_t bytes = 0;
    for (const char* charset : {"UTF-8", "SHIFT_JIS", "EUC-JP"})
      bench::printTimings(std::string("to ") + charset + format, bench::timeRuns(kRuns, [&] {
                            bytes = tarn::datafile::encodeText(text, charset)->size();
                          }));
    std::size_t fileBytes = 0;
    bench::printTimings("dataFileBytes" + format, bench::timeRuns(kRuns, [&] {
                          fileBytes = tarn::dataFileBytes(m, clock)->size();
                        }));
    int written = 0;
    bench::printTimings("save to the file" + format,
                        bench::timeRuns(kRuns, [&] { written += save(path, m); }));
    std::printf(
        "  %zu bytes of text, %zu in EUC-JP, %zu in the file's character set, file %lld "
        "bytes, %d of %d saves written\n",
        text.size(), bytes, fileBytes,
        static_cast<long long>(QFileInfo(dir.filePath("bench.csv")).size()), written, kRuns);
    if (written != kRuns) return 1;
  }
  return 0;
}
