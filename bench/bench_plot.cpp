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
    bench::printTimings("Graph + grab, " + format, bench::timeRuns(kRuns, [&] {
                          form.Graph();
                          pixels += !plot.grab().isNull();
                        }));
    bench::printTimings("Graph alone, " + format, bench::timeRuns(kRuns, [&] { form.Graph(); }));
    bench::printTimings("grab alone, " + format,
                        bench::timeRuns(kRuns, [&] { pixels += !plot.grab().isNull(); }));
    std::string summary;
    bench::printTimings("UpdatePeakToPeak, " + format,
                        bench::timeRuns(kRuns, [&] { summary = form.UpdatePeakToPeak(); }));
    std::printf("  summary: %s  labels: %s / %s / %s  (%zu frames)\n", summary.c_str(),
                form.Label3.caption().c_str(), form.Label4.caption().c_str(),
                form.Label5.caption().c_str(), pixels);
  }
  return 0;
}
