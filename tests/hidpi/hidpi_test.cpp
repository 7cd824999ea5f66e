// Both windows at scale factors 1 and 2 on a 1280×960 screen, and on a
// Japanese desktop. Qt reads the scale and the locale when the application
// starts, so each has an application of its own, one after the other.
#include <gtest/gtest.h>

#include <QApplication>
#include <QEventLoop>
#include <QFontInfo>
#include <QScreen>
#include <QTemporaryFile>
#include <QTimer>

#include "ui/presenter.h"
#include "ui/qt/app.h"
#include "ui/qt/main_window.h"

namespace tarn {
namespace {

struct Shot {
  QImage image;
  QRect frame, screen, available, plot;
};

// Each program's window, shown with two flat traces: CH1 (red) a fifth and
// CH0 (blue) four fifths down the plot.
std::vector<Shot> showAtScale(int scale) {
  qputenv("QT_SCALE_FACTOR", QByteArray::number(scale));
  int argc = 1;
  char name[] = "hidpi_test", *argv[] = {name, nullptr};
  QApplication application(argc, argv);
  std::vector<Shot> shots;
  for (const auto boards : {currentBoards(), olderBoards()}) {
    App app(boards);
    MainWindow& window = app.window();
    window.show();
    window.plot().draw({{kTraceBlue, {{0, 2748}, {kPictureWidth, 2748}}},
                        {kTraceRed, {{0, 687}, {kPictureWidth, 687}}}});
    QEventLoop shown;  // goes on once the window has handled its showing
    QTimer::singleShot(0, &shown, &QEventLoop::quit);
    shown.exec();
    shots.push_back({window.grab().toImage(), window.frameGeometry(), window.screen()->geometry(),
                     window.screen()->availableGeometry(), window.plot().geometry()});
  }
  return shots;
}

// The rows of one pixel column of the plot that carry ink, with their colours.
std::vector<std::pair<int, QRgb>> ink(const QImage& image, const QRect& plot, int x) {
  std::vector<std::pair<int, QRgb>> rows;
  for (int y = plot.top(); y <= plot.bottom(); ++y)
    if (const QRgb pixel = image.pixel(plot.left() + x, y) & 0xFFFFFF; pixel != 0xFFFFFF)
      rows.emplace_back(y - plot.top(), pixel);
  return rows;
}

TEST(HiDpi, EachScaleCentresTheWindowAndDrawsThePlotOneDevicePixelWide) {
  QTemporaryFile config;
  ASSERT_TRUE(config.open());
  config.write(R"({"screens": [{"name": "s", "width": 1280, "height": 960, "logicalDpi": 96}]})");
  config.close();
  qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + config.fileName().toUtf8());
  const std::vector<Shot> one = showAtScale(1), two = showAtScale(2);
  for (size_t program = 0; program < 2; ++program) {
    SCOPED_TRACE(testing::Message() << "program " << program);
    for (const Shot& shot : {one[program], two[program]}) {
      // Centred on the frame the platform reports; a frame taller than the
      // screen keeps its top edge on the screen's available area.
      EXPECT_NEAR(shot.frame.center().x(), shot.screen.center().x(), 1) << shot.screen.width();
      if (shot.frame.height() <= shot.screen.height())
        EXPECT_NEAR(shot.frame.center().y(), shot.screen.center().y(), 1);
      else
        EXPECT_EQ(shot.frame.top(), shot.available.top());
    }
    const QRect plot = one[program].plot;
    ASSERT_EQ(two[program].plot, plot) << "the layout keeps its size in logical pixels";
    ASSERT_EQ(two[program].image.size(), one[program].image.size() * 2);
    for (const int x : {0, plot.width() / 2, plot.width() - 1}) {
      const auto atOne = ink(one[program].image, plot, x);
      const auto atTwo = ink(two[program].image, QRect(plot.topLeft() * 2, plot.size() * 2), 2 * x);
      // CH1 over CH0, each one row of device pixels, at twice the depth.
      ASSERT_EQ(atOne.size(), 2u) << "column " << x;
      ASSERT_EQ(atTwo.size(), 2u) << "column " << x;
      for (size_t i = 0; i < 2; ++i) {
        EXPECT_NEAR(atTwo[i].first, 2 * atOne[i].first, 1) << "column " << x;
        EXPECT_EQ(atOne[i].second, i == 0 ? 0xFF0000u : 0x0000FFu);
        EXPECT_EQ(atTwo[i].second, atOne[i].second);
      }
    }
  }
}

// A Japanese desktop names the fonts in Japanese; the designed ones are found
// all the same, not left to a fallback that clips the window's texts. The
// fonts are listed once a process: this test runs in one of its own.
TEST(Fonts, AJapaneseDesktopShowsTheDesignedFonts) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  qputenv("LC_ALL", "ja_JP.UTF-8");
  int argc = 1;
  char name[] = "hidpi_test", *argv[] = {name, nullptr};
  QApplication application(argc, argv);
  App app(currentBoards());
  const auto family = [](const QFont& font) { return QFontInfo(font).family().toStdString(); };
  for (const ControlSpec& row : controlTable(false)) {
    if (row.font == FontRole::Default) continue;
    const char* designed = row.font == FontRole::Fixed ? "IPAGothic" : "IPAPGothic";
    EXPECT_EQ(family(app.window().widget(std::string(row.name))->font()), family(QFont(designed)))
        << row.name;
  }
  qunsetenv("LC_ALL");
}

}  // namespace
}  // namespace tarn
