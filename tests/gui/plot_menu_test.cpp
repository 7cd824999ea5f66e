// The plot box's menu, reached from the keyboard, opens the report of the
// measurement shown with the desktop's opener: a stand-in xdg-open on PATH
// records what it was given.
#include <gtest/gtest.h>

#include <QAbstractButton>
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
#include "support/sweep_rows.h"
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

// The sweep of every rate through the folder dialog against each board of the sweep's rows
// (support/sweep_rows.h), the report opened; then two files it kept and one that is no data
// file compared through the open dialog: the page opened names both runs, the third is told.
TEST(Window, PlotMenuSweepsEveryRateAndComparesTheFilesKept) {
  for (const test::SweepRow& row : test::kSweepRows) {
    SCOPED_TRACE(row.name);
    QTemporaryDir bin, folder;
    const QString opened = bin.filePath("opened");
    const QByteArray path = recordOpening(bin);
    const test::BoardProcess board(test::wordsOf(row.options));
    App app(currentBoards());
    MainWindow& w = app.window();
    Presenter& p = app.presenter();
    const auto caption = [&w](const char* name) {
      return static_cast<QAbstractButton*>(w.widget(name))->text().toStdString();
    };
    w.show();
    p.toggleConnection();
    const std::string found = p.rateList.text();
    p.sampleCount.userEdit(row.count);
    using D = test::ModalDriver;
    std::vector<D::Step> steps{D::type(folder.path())};
    if (!row.told.empty()) steps.push_back(D::answer(QMessageBox::Ok));
    test::SweepSeen seen;
    {
      D driver(steps);
      EXPECT_EQ(useMenu(w, Qt::Key_Menu, Qt::NoModifier, 2),
                std::vector<bool>({false, false, true, true}));
      if (row.stop) {
        EXPECT_TRUE(test::pumpUntil([&] { return test::firstRecordsIn(p.status.text()); }));
        static_cast<QAbstractButton*>(w.widget("SendB2"))->click();
      }
      EXPECT_TRUE(test::pumpUntil([&] {
        return !p.measuring() && QFile::exists(opened) && driver.boxes.size() + 1 == steps.size();
      }));
      for (const std::string& box : driver.boxes) seen.told += box;
    }
    seen.status = p.status.text();
    seen.connect = caption("Button1");
    seen.measure = caption("SendB2");
    if (row.open) {  // the board's own rate, read again
      static_cast<QAbstractButton*>(w.widget("Command29"))->click();
      test::pumpUntil([&] { return p.status.text() == "データレート読出しました"; });
    }
    seen.rateBack = p.rateList.text() == found;
    for (const QString& name : QDir(folder.path()).entryList(QDir::Files))
      seen.names.push_back(name.toStdString());
    seen.read = [&](const std::string& name) {
      return test::readAll(folder.filePath(QString::fromStdString(name)));
    };
    for (const std::string& problem : test::sweepProblems(row, seen)) ADD_FAILURE() << problem;
    EXPECT_EQ(test::readAll(opened), folder.filePath("report.html").toStdString());
    if (row.kept >= 2) {
      QFile::remove(opened);
      const QString a = folder.filePath(QString::fromStdString(seen.names[0]));
      const QString b = folder.filePath(QString::fromStdString(seen.names[1]));
      D driver({D::type('"' + a + "\" \"" + b + "\" \"" + folder.filePath("report.html") + '"'),
                D::answer(QMessageBox::Ok)});
      useMenu(w, Qt::Key_Menu, Qt::NoModifier, 3);
      EXPECT_TRUE(test::pumpUntil([&] { return QFile::exists(opened); }));
      const std::string page = test::readAll(opened);
      EXPECT_NE(test::readAll(QString::fromStdString(page)).find(seen.names[1]), std::string::npos);
      EXPECT_NE(test::readAll(QString::fromStdString(page)).find(seen.names[0]), std::string::npos);
      EXPECT_TRUE(test::pumpUntil([&] { return driver.boxes.size() == 1; }));
      EXPECT_TRUE(driver.boxes.at(0).starts_with("データファイルを読み込めませんでした (" +
                                                 folder.filePath("report.html").toStdString()))
          << driver.boxes[0];
      QFile::remove(QString::fromStdString(page));
    }
    qputenv("PATH", path);
  }
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
