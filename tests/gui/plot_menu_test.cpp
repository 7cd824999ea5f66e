// The plot box's menu, reached from the keyboard, opens the report of the
// measurement shown with the desktop's opener: a stand-in xdg-open on PATH
// records what it was given.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <random>

#include "report/png.h"
#include "support/board_process.h"
#include "support/modal_driver.h"
#include "support/pump.h"
#include "ui/presenter.h"
#include "ui/qt/app.h"
#include "ui/qt/main_window.h"

namespace tarn {
namespace {

// Opens the menu with a key; takes item `item` (0 the first) when the items
// are enabled, else closes it. Whether the items were enabled.
std::vector<bool> useMenu(MainWindow& w, Qt::Key key, Qt::KeyboardModifiers modifiers,
                          int item = 0) {
  std::vector<bool> enabled;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (!menu || !enabled.empty()) return;
    for (const QAction* a : menu->actions()) enabled.push_back(a->isEnabled());
    for (int i = 0; enabled.front() && i <= item; ++i) QTest::keyClick(menu, Qt::Key_Down);
    QTest::keyClick(menu, enabled.front() ? Qt::Key_Return : Qt::Key_Escape);
  });
  poll.start(5);
  // The offscreen platform leaves activation with a closed popup; a desktop
  // gives it back to the window.
  w.activateWindow();
  if (!QTest::qWaitForWindowActive(&w)) return {};
  QTest::keyClick(&w, key, modifiers);
  return enabled;
}

TEST(Window, PlotMenuOpensTheReportOfTheMeasurementShown) {
  QTemporaryDir bin;
  const QString record = bin.filePath("opened");
  QFile opener(bin.filePath("xdg-open"));
  ASSERT_TRUE(opener.open(QIODevice::WriteOnly));
  // Written beside and renamed, so that the file is whole once it exists.
  opener.write(("#!/bin/sh\nprintf %s \"$1\" > '" + record + ".new' && mv '" + record + ".new' '" +
                record + "'\n")
                   .toUtf8());
  opener.close();
  opener.setPermissions(opener.permissions() | QFile::ExeOwner);
  const QByteArray path = qgetenv("PATH");
  qputenv("PATH", bin.path().toUtf8() + ":" + path);

  const test::BoardProcess board({"--no-pacing", "--sine", "0.2,5"});
  App app(currentBoards());
  MainWindow& w = app.window();
  Presenter& p = app.presenter();
  w.show();
  EXPECT_EQ(useMenu(w, Qt::Key_F10, Qt::ShiftModifier), std::vector<bool>({false, false}));

  p.toggleConnection();
  p.sampleCount.userEdit("300");
  p.channelList.setListIndex(2);
  p.toggleMeasurement();
  ASSERT_TRUE(test::pumpUntil([&] { return !p.measuring(); }));
  EXPECT_EQ(useMenu(w, Qt::Key_Menu, Qt::NoModifier), std::vector<bool>({true, true}));
  ASSERT_TRUE(test::pumpUntil([&] { return QFile::exists(record); }));
  QFile opened(record);
  ASSERT_TRUE(opened.open(QIODevice::ReadOnly));
  QFile report(QString::fromUtf8(opened.readAll()));
  ASSERT_TRUE(report.open(QIODevice::ReadOnly)) << report.fileName().toStdString();
  EXPECT_EQ(report.readAll().count("<svg"), 8) << "four pictures of each channel";
  report.remove();
  qputenv("PATH", path);

  // The plot box's pixels, through the save dialog.
  const QString picture = bin.filePath("plot.png");
  {
    test::ModalDriver driver({test::ModalDriver::type(picture)});
    useMenu(w, Qt::Key_Menu, Qt::NoModifier, 1);
  }
  EXPECT_EQ(QImage(picture).size(), w.plot().size() * w.plot().devicePixelRatio());
}

// The plot box's picture as the Windows window writes it, read by libpng.
TEST(Window, PlotPicturesArePngsAReaderTakes) {
  std::mt19937 random(5);
  for (const auto& [columns, rows] : {std::pair{7, 5}, std::pair{200, 120}}) {  // 1 and 2 blocks
    std::vector<uint32_t> pixels(static_cast<size_t>(columns * rows));
    for (uint32_t& pixel : pixels) pixel = random() & 0xFFFFFF;
    const std::string png = pngOf(pixels, columns, rows);
    const QImage image = QImage::fromData(QByteArray::fromStdString(png), "PNG");
    ASSERT_EQ(image.size(), QSize(columns, rows));
    for (int y = 0; y < rows; ++y)
      for (int x = 0; x < columns; ++x)
        ASSERT_EQ(image.pixel(x, y) & 0xFFFFFF, pixels[static_cast<size_t>(y * columns + x)]);
  }
}

}  // namespace
}  // namespace tarn
