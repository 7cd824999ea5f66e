#include <gtest/gtest.h>
#include <sys/resource.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QTemporaryDir>
#include <QTimer>
#include <csignal>
#include <functional>
#include <regex>

#include "common/model.h"
#include "support/board_process.h"
#include "support/charsets.h"
#include "ui/form1.h"
#include "ui/qt/app.h"

namespace tarn {
namespace {

const std::string kFailed = "データファイルを保存出来ませんでした";

// Answers the modal windows of a save in order: each step takes the next file
// dialog or message box that shows up. An unexpected message box, or a window
// left open, is closed and fails the test instead of hanging it.
class ModalDriver {
 public:
  struct Step {
    bool box;
    std::function<void(QWidget*)> act;
  };
  explicit ModalDriver(std::vector<Step> steps) : steps_(std::move(steps)) {
    QObject::connect(&timer_, &QTimer::timeout, [this] { poll(); });
    timer_.start(10);
  }
  ~ModalDriver() { EXPECT_EQ(next_, steps_.size()) << "modal windows that never came"; }
  std::vector<std::string> seen;  // message texts, and "<title> <filters> <folder> <name>"

  // Types `path` (unless empty) into the dialog and accepts it. Queued, so
  // that a window the accept opens is seen by a later poll.
  static Step type(const QString& path) {
    return {false, [path](QWidget* w) {
              auto* dialog = static_cast<QFileDialog*>(w);
              if (!path.isEmpty()) dialog->findChild<QLineEdit*>("fileNameEdit")->setText(path);
              QTimer::singleShot(0, dialog, [dialog] { static_cast<QDialog*>(dialog)->accept(); });
            }};
  }
  static Step answer(QMessageBox::StandardButton button) {
    return {true, [button](QWidget* w) {
              auto* box = static_cast<QMessageBox*>(w);
              QTimer::singleShot(0, box, [box, button] { box->button(button)->click(); });
            }};
  }

 private:
  void poll() {
    QWidget* modal = QApplication::activeModalWidget();
    auto* box = qobject_cast<QMessageBox*>(modal);
    auto* dialog = qobject_cast<QFileDialog*>(modal);
    if (!box && !dialog) return;
    const bool expected = next_ < steps_.size() && steps_[next_].box == (box != nullptr);
    if (modal != last_ && (expected || box)) {
      last_ = modal;
      stuck_ = 0;
      if (box) seen.push_back(box->text().toStdString());
      if (dialog)
        seen.push_back((dialog->windowTitle() + " " + dialog->nameFilters().join(";") + " " +
                        dialog->directory().absolutePath() + " " +
                        dialog->findChild<QLineEdit*>("fileNameEdit")->text())
                           .toStdString());
      if (expected) {
        steps_[next_++].act(modal);
        return;
      }
      ADD_FAILURE() << "an unexpected message: " << seen.back();
    } else if (++stuck_ < 300) {
      return;
    } else {
      ADD_FAILURE() << "a modal window stayed open";
    }
    QTimer::singleShot(0, modal, [modal] { static_cast<QDialog*>(modal)->reject(); });
  }
  std::vector<Step> steps_;
  size_t next_ = 0;
  QPointer<QWidget> last_;
  int stuck_ = 0;
  QTimer timer_;
};

std::string readAll(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : "(none)";
}

TEST(DataFileWithBoard, AMeasurementIsSavedThroughTheRealDialogByteForByte) {
  const test::EnvLocale locale("C.UTF-8");
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
    ModalDriver driver({ModalDriver::type(dir.filePath("missing/run.csv")),
                        ModalDriver::answer(QMessageBox::Ok), ModalDriver::type(path)});
    w.Command1.userClick();
    ASSERT_EQ(driver.seen.size(), 3u);
    EXPECT_EQ(driver.seen[0], "データファイル (CSVファイル) (*.csv) " +
                                  QCoreApplication::applicationDirPath().toStdString() + " ")
        << "opens in the program's folder";
    EXPECT_NE(driver.seen[1].find("missing"), std::string::npos) << "the folder must exist";
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
}

// Lets files grow to `bytes` only, as a full disk does, for root too.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) : signal_(std::signal(SIGXFSZ, SIG_IGN)) {
    getrlimit(RLIMIT_FSIZE, &old_);
    const rlimit limit{bytes, old_.rlim_max};
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &old_);
    std::signal(SIGXFSZ, signal_);
  }

 private:
  void (*signal_)(int);
  rlimit old_{};
};

TEST(DataFileWithBoard, AFailedWriteIsReportedOnceAndLeavesTheOldFile) {
  QTemporaryDir dir;
  QFile plain(dir.filePath("plain"));
  ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
  const std::string old = "old data\r\n";
  QFile existing(dir.filePath("full.csv"));
  ASSERT_TRUE(existing.open(QIODevice::WriteOnly) && existing.write(old.c_str()) > 0);
  existing.close();
  const struct {
    const char* name;
    QString path;
    bool full;
  } cases[] = {
      {"a folder that is a file", dir.filePath("plain/run.csv"), false},
      {"a folder nobody may write in", "/proc/tarnview-run.csv", false},
      {"a full disk", dir.filePath("full.csv"), true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    App app;
    Form1& w = app.form();
    for (int i = 0; i < 1000; ++i) w.state.Samples[i].field[0] = "800000";
    w.state.SampleIndex = w.state.SampleCount = 1000;
    std::vector<ModalDriver::Step> steps{ModalDriver::answer(QMessageBox::Ok)};
    if (c.full) steps.insert(steps.begin(), ModalDriver::answer(QMessageBox::Yes));
    ModalDriver driver(steps);
    {
      const FileSizeLimit limit(c.full ? 4096 : RLIM_INFINITY);
      w.SaveDataFile(c.path.toStdString());
    }
    EXPECT_EQ(std::count(driver.seen.begin(), driver.seen.end(), kFailed), 1);
    EXPECT_EQ(driver.seen.size(), c.full ? 2u : 1u);
  }
  EXPECT_EQ(readAll(dir.filePath("full.csv")), old);
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), (QStringList{"full.csv", "plain"}))
      << "no half-written file is left behind";
}

}  // namespace
}  // namespace tarn
