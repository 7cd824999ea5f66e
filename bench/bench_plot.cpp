// Times the end of a full-size measurement: the plot of 65535 records of both
// channels on the real Qt surface (painted once), and the peak-to-peak summary.
#include <QApplication>
#include <cstdio>
#include <string>
#include <vector>

#include "figures.h"
#include "full_measurement.h"
#include "ui/qt/app.h"
#include "ui/qt/main_window.h"

namespace {

constexpr int kRuns = 15;

void print(const char* what, const std::vector<double>& ms) {
  const bench::Spread s = bench::spread(ms);
  std::printf("%-44s best %8.2f ms   median %8.2f ms\n", what, s.best, s.median);
  bench::figure(std::string(what) + ", 65535 x 2: median", s.median, "ms");
}

}  // namespace

int main(int argc, char** argv) {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  tarn::App app;
  tarn::MainWindow& window = app.window();
  window.show();
  QApplication::processEvents();
  tarn::Form1& form = app.form();
  tarn::PlotView& plot = window.plot();
  std::printf("records %d x 2 channels, plot %dx%d px, %d runs\n", bench::kRecords, plot.width(),
              plot.height(), kRuns);

  for (const bool binary : {true, false}) {
    bench::fillMeasurement(form, binary);
    const std::string format = binary ? "binary" : "mV";
    std::size_t pixels = 0;
    print(("Graph + grab, " + format).c_str(), bench::timeRuns(kRuns, [&] {
            form.Graph();
            pixels += !plot.grab().isNull();
          }));
    print(("Graph alone, " + format).c_str(), bench::timeRuns(kRuns, [&] { form.Graph(); }));
    print(("grab alone, " + format).c_str(),
          bench::timeRuns(kRuns, [&] { pixels += !plot.grab().isNull(); }));
    std::string summary;
    print(("UpdatePeakToPeak, " + format).c_str(),
          bench::timeRuns(kRuns, [&] { summary = form.UpdatePeakToPeak(); }));
    std::printf("  summary: %s  labels: %s / %s / %s  (%zu frames)\n", summary.c_str(),
                form.Label3.caption().c_str(), form.Label4.caption().c_str(),
                form.Label5.caption().c_str(), pixels);
  }
  return 0;
}
