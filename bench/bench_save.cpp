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

template <typename Fn>
void time(const std::string& what, Fn&& fn) {
  const bench::Spread s = bench::spread(bench::timeRuns(kRuns, fn));
  std::printf("%-40s best %8.2f ms   median %8.2f ms   worst %8.2f ms\n", what.c_str(), s.best,
              s.median, s.worst);
  bench::figure(what + ", 65535 x 2: median", s.median, "ms");
}

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
    time("lines" + format, [&] { text = tarn::datafile::csvText(header, 2, records); });
    std::size_t bytes = 0;
    for (const char* charset : {"UTF-8", "SHIFT_JIS", "EUC-JP"})
      time(std::string("to ") + charset + format,
           [&] { bytes = tarn::datafile::encodeText(text, charset)->size(); });
    time("mSaveDataFile" + format, [&] { form.mSaveDataFile(path, "データ"); });
    std::printf("  %zu bytes of text, %zu in EUC-JP, file %lld bytes\n", text.size(), bytes,
                static_cast<long long>(QFileInfo(dir.filePath("bench.csv")).size()));
  }
  return 0;
}
