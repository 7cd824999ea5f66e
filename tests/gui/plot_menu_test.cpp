// The plot box's menu, reached from the keyboard, opens the report of the
// measurement shown with the desktop's opener: a stand-in xdg-open on PATH
// records what it was given.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
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

// Opens the menu with a key; takes item `item` (0 the first) when it is
// enabled, else closes it. Whether the items were enabled.
std::vector<bool> useMenu(MainWindow& w, Qt::Key key, Qt::KeyboardModifiers modifiers,
                          size_t item = 0) {
  std::vector<bool> enabled;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (!menu || !enabled.empty()) return;
    for (const QAction* a : menu->actions()) enabled.push_back(a->isEnabled());
    const bool take = item < enabled.size() && enabled[item];
    for (size_t i = 0; take && i <= item; ++i)  // the keys pass over disabled items
      if (enabled[i]) QTest::keyClick(menu, Qt::Key_Down);
    QTest::keyClick(menu, take ? Qt::Key_Return : Qt::Key_Escape);
  });
  poll.start(5);
  // The offscreen platform leaves activation with a closed popup; a desktop
  // gives it back to the window.
  w.activateWindow();
  if (!QTest::qWaitForWindowActive(&w)) return {};
  QTest::keyClick(&w, key, modifiers);
  return enabled;
}

// A stand-in xdg-open in `bin`, first on PATH, that writes what it was given
// to `bin`/opened. The PATH it replaced.
QByteArray recordOpening(const QTemporaryDir& bin) {
  const QString record = bin.filePath("opened");
  QFile opener(bin.filePath("xdg-open"));
  EXPECT_TRUE(opener.open(QIODevice::WriteOnly));
  // Written beside and renamed, so that the file is whole once it exists.
  opener.write(("#!/bin/sh\nprintf %s \"$1\" > '" + record + ".new' && mv '" + record + ".new' '" +
                record + "'\n")
                   .toUtf8());
  opener.close();
  opener.setPermissions(opener.permissions() | QFile::ExeOwner);
  const QByteArray path = qgetenv("PATH");
  qputenv("PATH", bin.path().toUtf8() + ":" + path);
  return path;
}

TEST(Window, PlotMenuOpensTheReportOfTheMeasurementShown) {
  QTemporaryDir bin;
  const QString record = bin.filePath("opened");
  const QByteArray path = recordOpening(bin);

  const test::BoardProcess board({"--no-pacing", "--sine", "0.2,5"});
  App app(currentBoards());
  MainWindow& w = app.window();
  Presenter& p = app.presenter();
  w.show();
  EXPECT_EQ(useMenu(w, Qt::Key_F10, Qt::ShiftModifier),
            std::vector<bool>({false, false, false, true}));

  p.toggleConnection();
  p.sampleCount.userEdit("300");
  p.channelList.setListIndex(2);
  p.toggleMeasurement();
  ASSERT_TRUE(test::pumpUntil([&] { return !p.measuring(); }));
  EXPECT_EQ(useMenu(w, Qt::Key_Menu, Qt::NoModifier), std::vector<bool>(4, true));
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

// The noise table of every rate, through the folder dialog: a data file a
// rate in the folder, the report beside them opened, the board's rate back.
TEST(Window, PlotMenuSweepsEveryRateIntoTheFolderChosen) {
  QTemporaryDir bin, folder;
  const QByteArray path = recordOpening(bin);
  const test::BoardProcess board({"--no-pacing"});
  App app(currentBoards());
  MainWindow& w = app.window();
  Presenter& p = app.presenter();
  w.show();
  p.toggleConnection();
  const int found = p.rateList.listIndex();
  p.sampleCount.userEdit("3");
  {
    test::ModalDriver driver({test::ModalDriver::type(folder.path())});
    EXPECT_EQ(useMenu(w, Qt::Key_Menu, Qt::NoModifier, 2),
              std::vector<bool>({false, false, true, true}));
  }
  ASSERT_TRUE(test::pumpUntil([&] { return !p.measuring(); }));
  EXPECT_EQ(p.status.text(), "測定終了... 12/12 rates");
  EXPECT_EQ(p.rateList.listIndex(), found);
  ASSERT_TRUE(test::pumpUntil([&] { return QFile::exists(bin.filePath("opened")); }));
  EXPECT_EQ(test::readAll(bin.filePath("opened")), folder.filePath("report.html").toStdString());
  qputenv("PATH", path);
  const QStringList files = QDir(folder.path()).entryList(QDir::Files);
  ASSERT_EQ(files.size(), 13) << files.join(' ').toStdString();
  EXPECT_EQ(files.first(), "rate-00-1.25sps.csv");
  EXPECT_EQ(files[11], "rate-11-1007sps.csv");
  EXPECT_NE(test::readAll(folder.filePath("report.html")).find("rate-11-1007sps.csv"),
            std::string::npos);
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
