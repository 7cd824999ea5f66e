#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QScreen>
#include <string>
#include <vector>

#include "ui/form1.h"
#include "ui/qt/app.h"
#include "ui/qt/main_window.h"
#include "ui/qt/plot_view.h"

namespace tarn {
namespace {

// The rows of one pixel column that are not background, with their colours.
std::vector<std::pair<int, QRgb>> inkInColumn(const QImage& image, int x) {
  std::vector<std::pair<int, QRgb>> ink;
  for (int y = 0; y < image.height(); ++y)
    if (const QRgb pixel = image.pixel(x, y) & 0xFFFFFF; pixel != 0xFFFFFF)
      ink.emplace_back(y, pixel);
  return ink;
}

TEST(PlotView, TracesLandOnTheirPixelsWithCh1OverCh0) {
  constexpr QRgb kBlue = 0x0000FF, kRed = 0xFF0000;  // QRgb is 0xRRGGBB
  // Three records of CH0 at 100 and CH1 at 106 give the range 98..108 and put
  // them at 2748 and 687 twips; equal values put CH1 exactly over CH0.
  const struct {
    const char *ch0, *ch1;
    std::vector<std::pair<double, QRgb>> rows;  // twips down, colour
  } cases[] = {
      {"000064", "00006A", {{687, kRed}, {2748, kBlue}}},
      {"000064", "000064", {{1718, kRed}}},
  };
  App app;
  MainWindow& window = app.window();
  Form1& form = app.form();
  PlotView& view = window.plot();
  window.show();
  form.Option1.setValue(true);
  form.state.ChannelMode = 2;
  form.state.SampleCount = 3;
  // Each case is drawn over the previous one, so a repaint that never comes
  // shows up as the earlier plot.
  for (const auto& c : cases) {
    for (int i = 0; i < 3; ++i) form.state.Samples[i].field = {c.ch0, c.ch1};
    form.Graph();
    ASSERT_EQ(view.traces().size(), 2u);
    EXPECT_EQ(view.traces()[1].points, QPolygonF({{0, c.rows.front().first},
                                                  {3188, c.rows.front().first},
                                                  {6375, c.rows.front().first}}));
    QApplication::processEvents();
    // What the screen shows, not a fresh rendering.
    const QPoint at = view.mapTo(&window, QPoint(0, 0));
    const QImage image =
        window.screen()
            ->grabWindow(window.winId(), at.x(), at.y(), view.width(), view.height())
            .toImage();
    ASSERT_EQ(image.size(), view.size() * view.devicePixelRatio());
    const double pixelsPerTwip = image.height() / 3435.0;
    for (const int x : {0, image.width() / 2, image.width() - 1}) {
      SCOPED_TRACE(testing::Message() << c.ch1 << ", column " << x);
      const auto ink = inkInColumn(image, x);
      ASSERT_EQ(ink.size(), c.rows.size()) << "one sharp pixel per trace";
      for (size_t i = 0; i < ink.size(); ++i) {
        EXPECT_NEAR(ink[i].first, c.rows[i].first * pixelsPerTwip, 1.0);
        EXPECT_EQ(ink[i].second, c.rows[i].second);
      }
    }
  }
}

}  // namespace
}  // namespace tarn
