// Times the plot of a full-size measurement, 65535 records of both channels:
// a redraw (plotOf, the plot box's pixels, painted on the real Qt surface) as
// the live plot and the end of a measurement do it, its parts, the reading of
// every record's value, and the peak-to-peak summary.
#include <QApplication>
#include <cstdio>
#include <optional>
#include <string>

#include "analysis/values.h"
#include "figures.h"
#include "full_measurement.h"
#include "report/plot.h"
#include "ui/control_table.h"
#include "ui/qt/app.h"
#include "ui/qt/main_window.h"

namespace {

constexpr int kRuns = 15;

}  // namespace

int main(int argc, char** argv) {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  tarn::App app(tarn::currentBoards());
  tarn::MainWindow& window = app.window();
  window.show();
  QApplication::processEvents();
  tarn::PlotView& view = window.plot();
  std::printf("records %d x 2 channels, plot %dx%d px, %d runs\n", bench::kRecords, view.width(),
              view.height(), kRuns);

  for (const bool binary : {true, false}) {
    const tarn::Measurement m = bench::fullMeasurement(binary);
    const std::string format = binary ? "binary" : "mV";
    std::optional<tarn::SampleValues> values;
    const auto readAll = [&] {
      values.emplace(m.settings());
      values->update(m.records());
    };
    std::optional<tarn::Plot> plot;
    const auto plotAll = [&] {
      plot = tarn::plotOf(*values, tarn::kPictureWidth, tarn::kPictureHeight);
    };
    readAll();
    plotAll();
    if (!plot || plot->traces.size() != 2) {
      std::fprintf(stderr, "no plot of the %s measurement\n", format.c_str());
      return 1;
    }
    const std::vector<tarn::Trace> traces = plot->traces;
    std::size_t frames = 0;
    // A redraw: the values are read as the records arrive.
    const auto redraw = [&] {
      plotAll();
      view.draw(std::move(plot->traces));
      frames += !view.grab().isNull();
    };
    bench::printTimings("plot + draw + paint, " + format, bench::timeRuns(kRuns, redraw));
    bench::printTimings("reading every record, " + format, bench::timeRuns(kRuns, readAll));
    bench::printTimings("plotOf alone, " + format, bench::timeRuns(kRuns, plotAll));
    bench::printTimings("draw (a copy) + paint, " + format, bench::timeRuns(kRuns, [&] {
                          view.draw(traces);
                          frames += !view.grab().isNull();
                        }));
    std::string summary;
    bench::printTimings("peakToPeakText, " + format, bench::timeRuns(kRuns, [&] {
                          summary = tarn::peakToPeakText(m, tarn::currentBoards()[0]);
                        }));
    std::printf("  summary: %s  labels: %s / %s / %s  (%zu frames)\n", summary.c_str(),
                plot->labels[0].c_str(), plot->labels[1].c_str(), plot->labels[2].c_str(), frames);
  }
  return 0;
}
