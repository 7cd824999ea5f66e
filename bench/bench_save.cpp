// Times the save of a full two-channel measurement (65535 records): the lines
// alone, their conversion to the code page, and the whole mSaveDataFile with
// the real file (QSaveFile, beside the target, then renamed over it).
#include <QApplication>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdio>
#include <span>
#include <string>
#include <vector>

#include "datafile/code_page.h"
#include "datafile/csv_lines.h"
#include "figures.h"
#include "full_measurement.h"
#include "ui/qt/app.h"

namespace {

constexpr int kRuns = 21;

}  // namespace

int main(int argc, char** argv) {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  tarn::App app;
  tarn::Form1& form = app.form();
  form.Label1.setCaption("±2.5V / IntRef / Sinc5+Sinc1");
  QTemporaryDir dir;
  const std::string path = dir.filePath("bench.csv").toStdString();
  std::printf("records %d x 2 channels, %d runs, charset %s, file %s\n", bench::kRecords, kRuns,
              tarn::datafile::systemCharset().c_str(), path.c_str());

  for (const bool binary : {true, false}) {
    bench::fillMeasurement(form, binary);
    const std::string format = binary ? ", binary" : ", mV";
    const tarn::datafile::Header header{
        "データ",  "2026/12/06 14:05:09", form.Label1.caption(),
        "1007sps", "CH0 / CH1",           "CH0=Ain0-Ain1,CH1=Ain2-Ain3"};
    const std::span records(form.state.Samples.data(), bench::kRecords);
    std::string text;
    bench::printTimings("lines" + format, bench::timeRuns(kRuns, [&] {
                          text = tarn::datafile::csvText(header, 2, records);
                        }));
    std::size_t bytes = 0;
    for (const char* charset : {"UTF-8", "SHIFT_JIS", "EUC-JP"})
      bench::printTimings(std::string("to ") + charset + format, bench::timeRuns(kRuns, [&] {
                            bytes = tarn::datafile::encodeText(text, charset)->size();
                          }));
    bench::printTimings("mSaveDataFile" + format,
                        bench::timeRuns(kRuns, [&] { form.mSaveDataFile(path, "データ"); }));
    std::printf("  %zu bytes of text, %zu in EUC-JP, file %lld bytes\n", text.size(), bytes,
                static_cast<long long>(QFileInfo(dir.filePath("bench.csv")).size()));
  }
  return 0;
}
