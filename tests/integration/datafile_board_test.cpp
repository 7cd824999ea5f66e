#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTimer>
#include <regex>

#include "common/model.h"
#include "support/board_process.h"
#include "support/charsets.h"
#include "support/modal_driver.h"
#include "ui/form1.h"
#include "ui/qt/app.h"

namespace tarn {
namespace {

using test::ModalDriver;
using test::readAll;

TEST(DataFileWithBoard, AMeasurementIsSavedThroughTheRealDialogByteForByte) {
  const test::EnvLocale locale("C.UTF-8");
  const QTemporaryDir config;  // where the user's settings would go
  qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
  test::BoardProcess board({"--model", kSolo ? "pellan" : "pellan2", "--no-pacing"});
  App app;
  Form1& w = app.form();
  w.Button1.userClick();
  ASSERT_EQ(w.Status.text(), "データレート読出しました");
  w.Text1.setText("300");
  w.Combo2.userSelect(2);
  w.SendB2.userClick();
  QTimer beat;  // wakes the wait below even when the board falls silent
  beat.start(10);
  for (int i = 0; w.state.Measuring && i < 3000; ++i)
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  ASSERT_FALSE(w.state.Measuring);
  ASSERT_EQ(w.state.SampleIndex, 300);

  QTemporaryDir dir;
  const QString path = dir.filePath("run.csv");
  {
    ModalDriver driver({ModalDriver::type(path)});
    w.Command1.userClick();
    ASSERT_EQ(driver.seen.size(), 1u);
    EXPECT_EQ(driver.seen[0], "データファイル (CSVファイル) (*.csv) " +
                                  QCoreApplication::applicationDirPath().toStdString() + " ")
        << "opens in the program's folder";
  }
  std::vector<std::string> lines{"データ",
                                 "",
                                 "設定 : " + w.Label1.caption(),
                                 "データレート : " + w.Combo1.list(w.Combo1.listIndex()),
                                 "測定CH : CH0 / CH1",
                                 "データ個数 :  300",
                                 "CH0=Ain0-Ain1,CH1=Ain2-Ain3"};
  for (int i = 0; i < 300; ++i)
    lines.push_back(w.state.Samples[i].field[0] + "," + w.state.Samples[i].field[1]);
  const std::string saved = readAll(path);
  const size_t dateAt = saved.find("\r\n") + 2;
  lines[1] = saved.substr(dateAt, saved.find("\r\n", dateAt) - dateAt);
  EXPECT_TRUE(std::regex_match(lines[1], std::regex(R"(\d\d/\d\d/\d\d( \d{1,2}:\d\d:\d\d)?)")))
      << lines[1];
  std::string expected;
  for (const std::string& line : lines) expected += line + "\r\n";
  EXPECT_EQ(saved, expected);

  // Saved again: the dialog offers the same file and asks before replacing it,
  // then the program asks too; No leaves the file as it was.
  ModalDriver again({ModalDriver::type(""), ModalDriver::answer(QMessageBox::Yes),
                     ModalDriver::answer(QMessageBox::No)});
  w.Command1.userClick();
  ASSERT_EQ(again.seen.size(), 3u);
  EXPECT_EQ(again.seen[0],
            "データファイル (CSVファイル) (*.csv) " + dir.path().toStdString() + " run.csv");
  EXPECT_EQ(again.seen[2], path.toStdString() + " に上書きしますか？");
  EXPECT_EQ(readAll(path), saved);
  EXPECT_TRUE(QDir(config.path()).isEmpty()) << "the program keeps nothing between runs";
}

}  // namespace
}  // namespace tarn
