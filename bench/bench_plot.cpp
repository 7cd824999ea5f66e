// Times the end of a full-size measurement: the plot of 65535 records of both
// channels on the real Qt surface (painted once), and the peak-to-peak summary.
#include <QApplication>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "figures.h"
#include "ui/form1.h"
#include "ui/qt/app.h"
#include "ui/qt/main_window.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int32_t kRecords = 65535;
constexpr int kRuns = 15;

// A noisy sine about mid-scale on CH0 and a slower one on CH1, as texts.
void fill(tarn::Form1& form, bool binary) {
  char text[16];
  for (int32_t i = 0; i < kRecords; ++i) {
    const double a = 40000 * std::sin(i / 300.0) + (i * 7919 % 101) - 50;
    const double b = 25000 * std::sin(i / 4000.0);
    for (int ch = 0; ch < 2; ++ch) {
      const double v = ch == 0 ? a : b;
      if (binary)
        std::snprintf(text, sizeof text, "%06X", static_cast<unsigned>(8388608 + std::lround(v)));
      else
        std::snprintf(text, sizeof text, "%+08.1f", v / 10);
      form.state.Samples[i].field[ch] = text;
    }
  }
  (binary ? form.Option1 : form.Option2).setValue(true);
  form.state.ChannelMode = 2;
  form.state.SampleCount = kRecords;
}

struct Figures {
  double best, median;
};

template <typename Fn>
Figures time(Fn&& fn) {
  std::vector<double> ms;
  for (int run = 0; run < kRuns; ++run) {
    const auto start = Clock::now();
    fn();
    ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
  }
  std::sort(ms.begin(), ms.end());
  return {ms.front(), ms[ms.size() / 2]};
}

void print(const char* what, Figures f) {
  std::printf("%-44s best %8.2f ms   median %8.2f ms\n", what, f.best, f.median);
  bench::figure(std::string(what) + ", 65535 x 2: median", f.median, "ms");
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
  std::printf("records %d x 2 channels, plot %dx%d px, %d runs\n", kRecords, plot.width(),
              plot.height(), kRuns);

  for (const bool binary : {true, false}) {
    fill(form, binary);
    const std::string format = binary ? "binary" : "mV";
    std::size_t pixels = 0;
    print(("Graph + grab, " + format).c_str(), time([&] {
            form.Graph();
            pixels += !plot.grab().isNull();
          }));
    print(("Graph alone, " + format).c_str(), time([&] { form.Graph(); }));
    print(("grab alone, " + format).c_str(), time([&] { pixels += !plot.grab().isNull(); }));
    std::string summary;
    print(("UpdatePeakToPeak, " + format).c_str(),
          time([&] { summary = form.UpdatePeakToPeak(); }));
    std::printf("  summary: %s  labels: %s / %s / %s  (%zu frames)\n", summary.c_str(),
                form.Label3.caption().c_str(), form.Label4.caption().c_str(),
                form.Label5.caption().c_str(), pixels);
  }
  return 0;
}
