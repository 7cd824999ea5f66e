// The window at scale factors 1 and 2. Qt takes QT_SCALE_FACTOR once, when
// the application starts, so each scale is drawn by a child run of this
// binary that saves a screenshot and prints the controls' geometry.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QProcess>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "common/model.h"
#include "ui/control_table.h"
#include "ui/form1.h"
#include "ui/qt/app.h"
#include "ui/qt/main_window.h"

namespace tarn {
namespace {

constexpr const char* kShotVariable = "TARNVIEW_HIDPI_SHOT";
QString gSelf;  // this binary, run again for each scale

// Child run: the window with two flat traces (CH1 at 687 twips, CH0 at 2748),
// saved to `path`; one "name x y width height" line per control.
int drawWindow(int argc, char** argv, const QString& path) {
  QApplication application(argc, argv);
  App app;
  MainWindow& window = app.window();
  Form1& form = app.form();
  window.show();
  form.state.ChannelMode = 2;
  form.state.SampleCount = 3;
  for (int i = 0; i < 3; ++i) form.state.Samples[i].field = {"000064", "00006A"};
  form.Graph();
  QApplication::processEvents();
  if (!window.grab().save(path)) return 1;
  std::printf("window 0 0 %d %d\n", window.width(), window.height());
  for (const ControlSpec& control : controlTable()) {
    const std::string name(control.name);
    const QRect r = window.widget(name)->geometry();
    std::printf("%s %d %d %d %d\n", name.c_str(), r.x(), r.y(), r.width(), r.height());
  }
  return 0;
}

struct Shot {
  QImage image;
  std::map<std::string, std::string> geometry;  // "x y width height" in logical pixels
  QRect plot;
};

Shot shotAtScale(int scale) {
  const QString path = QString(TARNVIEW_ARTIFACTS) + (kSolo ? "/tarnview_solo" : "/tarnview") +
                       "_scale" + QString::number(scale) + ".png";
  QProcess child;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(kShotVariable, path);
  env.insert("QT_QPA_PLATFORM", "offscreen");
  env.insert("QT_SCALE_FACTOR", QString::number(scale));
  child.setProcessEnvironment(env);
  child.start(gSelf, {});
  EXPECT_TRUE(child.waitForFinished(60000));
  EXPECT_EQ(child.exitCode(), 0) << child.readAllStandardError().toStdString();
  Shot shot{QImage(path), {}, {}};
  for (const QByteArray& line : child.readAllStandardOutput().split('\n')) {
    const qsizetype space = line.indexOf(' ');
    if (space > 0)
      shot.geometry[line.left(space).toStdString()] = line.mid(space + 1).toStdString();
  }
  int x = 0, y = 0, w = 0, h = 0;
  std::sscanf(shot.geometry["Picture1"].c_str(), "%d %d %d %d", &x, &y, &w, &h);
  shot.plot = QRect(x, y, w, h);
  return shot;
}

// The rows of one pixel column of the plot that carry ink.
std::vector<int> inkRows(const QImage& image, const QRect& plot, int x) {
  std::vector<int> rows;
  for (int y = plot.top(); y <= plot.bottom(); ++y)
    if ((image.pixel(plot.left() + x, y) & 0xFFFFFF) != 0xFFFFFF) rows.push_back(y - plot.top());
  return rows;
}

TEST(HiDpi, ScaleTwoKeepsTheLayoutAndDrawsThePlotOneDevicePixelWide) {
  QDir().mkpath(TARNVIEW_ARTIFACTS);
  const Shot one = shotAtScale(1), two = shotAtScale(2);
  ASSERT_FALSE(one.image.isNull());
  ASSERT_FALSE(two.image.isNull());
  ASSERT_EQ(one.geometry.size(), controlTable().size() + 1);
  for (const auto& [name, rect] : one.geometry) EXPECT_EQ(two.geometry.at(name), rect) << name;
  EXPECT_EQ(two.image.size(), one.image.size() * 2);

  const QRect plot = one.plot;
  ASSERT_FALSE(plot.isEmpty());
  const QRect plotAtTwo(plot.topLeft() * 2, plot.size() * 2);
  for (const int x : {0, plot.width() / 2, plot.width() - 1}) {
    SCOPED_TRACE(testing::Message() << "column " << x);
    const std::vector<int> atOne = inkRows(one.image, plot, x);
    const std::vector<int> atTwo = inkRows(two.image, plotAtTwo, 2 * x);
    // Two traces, each a single row of device pixels, at twice the depth.
    ASSERT_EQ(atOne.size(), 2u);
    ASSERT_EQ(atTwo.size(), 2u);
    for (size_t i = 0; i < 2; ++i) EXPECT_NEAR(atTwo[i], 2 * atOne[i], 1);
  }
}

}  // namespace
}  // namespace tarn

int main(int argc, char** argv) {
  if (const QString path = qEnvironmentVariable(tarn::kShotVariable); !path.isEmpty())
    return tarn::drawWindow(argc, argv, path);
  ::testing::InitGoogleTest(&argc, argv);
  QCoreApplication application(argc, argv);
  tarn::gSelf = QCoreApplication::applicationFilePath();
  return RUN_ALL_TESTS();
}
