// Every fault of the board, the cable, the port and the disk that a bench user
// meets, one row each, through the real serial port and the real window. A row
// holds when the window says what happened, still answers the next click, its
// captions tell the truth about the port, and no record or file is lost. The
// outcomes are printed as a table at the end of the run.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QSerialPort>
#include <QTemporaryDir>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <optional>
#include <regex>

#include "common/model.h"
#include "support/board_process.h"
#include "support/modal_driver.h"
#include "support/pump.h"
#include "ui/form1.h"
#include "ui/qt/app.h"
#include "ui/qt/main_window.h"

namespace tarn {
namespace {

using test::ModalDriver;
using test::pumpUntil;
using Clock = std::chrono::steady_clock;

// What a row does after starting the board with its faults.
enum class Act {
  Connect,       // click 接続確認
  Measure,       // connect and measure 300 two-channel records
  MeasureRead,   // ... then click 読出し
  HeldPort,      // connect while another program holds the port; it lets go after
  NoDevice,      // connect with COM4 naming a device that does not exist
  SaveInFile,    // measure, then save into a "folder" that is a file
  SaveReadOnly,  // ... into a folder nobody may write in (/proc: root too)
  SaveMissing,   // ... through the dialog, into a folder that does not exist
  SaveFullDisk,  // ... over an existing file, with room for 4096 bytes only
};

using enum Act;

struct Row {
  const char* name;
  const char* faults;  // tarnboard's fault options, blank-separated
  Act act;
  std::string shown;  // the status line, or for a save the message boxes, as a regex
  bool open;          // the port afterwards
  int kept;           // records that can still be saved; -1 where nothing was measured
  bool nextOpen;      // the port after a further click on Button1
};

const std::string kNoAnswer = kSolo ? "Pellanが応答しませんでした" : "AD7172が応答しませんでした";
const std::string kBadStatus = kSolo ? "Pellanの応答エラーです" : "AD7172の応答エラーです";
const std::string kFinished = R"(測定終了\.\.\. \[digit pp\] : CH0= \d+, CH1= \d+)";
const std::string kLost = "COMポートが切断されました";
const std::string kLostCount = kLost + R"(。測定を中止しました \(受信 120 個\))";
const std::string kRefused = R"(測定開始エラー\.\.\. )";
const std::string kStopped = "測定停止しました";
const std::string kNoOpen = kSolo ? "" : "Setting Error";
const std::string kSaveFailed = "データファイルを保存出来ませんでした";
const std::string kNoFolder = R"(.*/missing\nDirectory not found\.\n[\s\S]*)";
const std::string kFullDisk = R"(.*/full\.csv に上書きしますか？ \| )" + kSaveFailed;

// The rate read is command 6: ?, S? and F? of the check, then the rate and the
// start of the measurement. A dropped character leaves the stream one record
// short, and the user stops it.
// clang-format off
const Row kRows[] = {
  // case                          faults                   act           shown      open kept next
  {"silent board",                   "--silent",              Connect,      kNoAnswer,   1,  -1, 0},
  {"replies 150 ms late",            "--reply-delay 150",     Connect,      kNoAnswer,   1,  -1, 0},
  {"replies a character at a time",  "--trickle",             Measure,      kFinished,   1, 300, 0},
  {"stray text before replies",      "--stray xy",            Connect,      kBadStatus,  1,  -1, 0},
  {"start refused with NG",          "--refuse",              Measure,      kRefused,    1,   0, 0},
  {"garbage records",                "--garbage-every 50",    Measure,      kFinished,   1, 300, 0},
  {"a character dropped mid-stream", "--drop-every 1000",     Measure,      kStopped,    1, 299, 0},
  {"cable pulled during the check",  "--unplug-at-command 2", Connect,      kLost,       0,  -1, 0},
  {"cable pulled during rate read",  "--unplug-at-command 6", MeasureRead,  kLost,       0, 300, 0},
  {"cable pulled mid-measurement",   "--unplug-after 120",    Measure,      kLostCount,  0, 120, 0},
  {"port held by another program",   "",                      HeldPort,     kNoOpen,     0,  -1, 1},
  {"no device behind COM4",          "",                      NoDevice,     kNoOpen,     0,  -1, 0},
  {"save into a file, not a folder", "",                      SaveInFile,   kSaveFailed, 1, 300, 0},
  {"save into a read-only folder",   "",                      SaveReadOnly, kSaveFailed, 1, 300, 0},
  {"save into a missing folder",     "",                      SaveMissing,  kNoFolder,   1, 300, 0},
  {"save onto a full disk",          "",                      SaveFullDisk, kFullDisk,   1, 300, 0},
};
// clang-format on

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

// Another program with the port open, as a Qt program holds it (its lock file
// and an exclusive open), until it lets go.
class PortHolder {
 public:
  explicit PortHolder(const std::string& device) {
    int ready[2], release[2];
    if (pipe(ready) != 0 || pipe(release) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      close(ready[0]);
      close(release[1]);
      QSerialPort port(QString::fromStdString(device));
      const char held = port.open(QIODevice::ReadWrite) ? 'y' : 'n';
      char byte;
      if (write(ready[1], &held, 1) == 1) {
        while (read(release[0], &byte, 1) < 0 && errno == EINTR) {
        }
      }
      port.close();
      _exit(0);
    }
    close(ready[1]);
    close(release[0]);
    release_ = release[1];
    char held = 'n';
    held_ = read(ready[0], &held, 1) == 1 && held == 'y';
    close(ready[0]);
  }
  ~PortHolder() { letGo(); }
  bool held() const { return held_; }
  void letGo() {
    if (pid_ <= 0) return;
    close(release_);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }

 private:
  pid_t pid_ = -1;
  int release_ = -1;
  bool held_ = false;
};

// The outcome of each row, printed when the run ends.
std::vector<std::pair<std::string, std::string>>& outcomes() {
  static std::vector<std::pair<std::string, std::string>> rows;
  return rows;
}

class MatrixReport : public testing::Environment {
 public:
  void TearDown() override {
    if (outcomes().empty()) return;
    const char* program = kSolo ? "tarnview_solo" : "tarnview";
    std::string table = std::string("Fault matrix of ") + program + "\n";
    table += "case                                | outcome\n";
    for (const auto& [name, outcome] : outcomes()) {
      std::string padded = name;
      padded.resize(std::max<size_t>(padded.size(), 36), ' ');
      table.append(padded).append("| ").append(outcome).append("\n");
    }
    std::fputs(table.c_str(), stdout);
    QDir().mkpath(TARNVIEW_ARTIFACTS);
    std::ofstream(std::string(TARNVIEW_ARTIFACTS) + "/fault_matrix_" + program + ".txt") << table;
  }
};
[[maybe_unused]] testing::Environment* const kReport =
    testing::AddGlobalTestEnvironment(new MatrixReport);

// The captions and the port agree: Button1 offers to close exactly while the
// port is open, and SendB2 offers to stop exactly while a measurement runs.
bool consistent(Form1& w) {
  const bool open = w.MSComm1.portOpen();
  return (w.Button1.caption() == "閉じる") == open && w.state.PortReady == open &&
         (w.SendB2.caption() == "測定停止") == w.state.Measuring;
}

// Runs the window until it has handled what the fault set off.
bool settle(Form1& w) {
  const auto start = Clock::now();
  return pumpUntil(
      [&] { return Clock::now() - start > std::chrono::milliseconds(100) && consistent(w); }, 3000);
}

void measure(Form1& w) {
  w.Button1.userClick();
  w.Text1.setText("300");
  w.Combo2.userSelect(2);
  w.SendB2.userClick();
  // A stream that stalls is stopped, as the user would after a while.
  int32_t seen = -1;
  auto since = Clock::now();
  pumpUntil([&] {
    if (!w.state.Measuring) return true;
    if (w.state.SampleIndex != seen) {
      seen = w.state.SampleIndex;
      since = Clock::now();
    }
    return Clock::now() - since > std::chrono::seconds(1);
  });
  if (w.state.Measuring) w.SendB2.userClick();
}

// Saves into the row's failing target and returns the message boxes shown.
// The folder must hold exactly what it held before, byte for byte.
std::string saveFailing(Act act, Form1& w, const QTemporaryDir& dir,
                        std::vector<std::string>& problems) {
  QFile plain(dir.filePath("plain")), full(dir.filePath("full.csv"));
  if (!plain.open(QIODevice::WriteOnly) || !full.open(QIODevice::WriteOnly) ||
      full.write("old data\r\n") != 10)
    return "(no files to start from)";
  full.close();
  const auto snapshot = [&] {
    std::string all;
    for (const QString& name : QDir(dir.path()).entryList(QDir::Files))
      all += name.toStdString() + "=" + test::readAll(dir.filePath(name)) + ";";
    return all;
  };
  const std::string before = snapshot();
  std::vector<std::string> boxes;
  {
    std::vector<ModalDriver::Step> steps{ModalDriver::answer(QMessageBox::Ok)};
    if (act == Act::SaveFullDisk)
      steps.insert(steps.begin(), ModalDriver::answer(QMessageBox::Yes));
    if (act == Act::SaveMissing)
      steps = {ModalDriver::type(dir.filePath("missing/run.csv")),
               ModalDriver::answer(QMessageBox::Ok), ModalDriver::cancel()};
    ModalDriver driver(steps);
    if (act == Act::SaveInFile) w.SaveDataFile(dir.filePath("plain/run.csv").toStdString());
    if (act == Act::SaveReadOnly) w.SaveDataFile("/proc/tarnview-run.csv");
    if (act == Act::SaveMissing) w.Command1.userClick();
    if (act == Act::SaveFullDisk) {
      const FileSizeLimit limit(4096);
      w.SaveDataFile(dir.filePath("full.csv").toStdString());
    }
    boxes = driver.boxes;
  }
  if (snapshot() != before) problems.push_back("the folder changed: " + snapshot());
  std::string shown;
  for (const std::string& box : boxes) shown += (shown.empty() ? "" : " | ") + box;
  return shown;
}

// Saves what the window holds to a new file and checks that every record is in it.
void checkSaved(Form1& w, const QTemporaryDir& dir, int kept, std::vector<std::string>& problems) {
  const QString path = dir.filePath("kept.csv");
  {
    ModalDriver none({});
    w.SaveDataFile(path.toStdString());
    if (!none.boxes.empty()) problems.push_back("the save said: " + none.boxes.front());
  }
  std::string expected;
  for (int i = 0; i < kept; ++i)
    expected += w.state.Samples[i].field[0] + "," + w.state.Samples[i].field[1] + "\r\n";
  const std::string saved = test::readAll(path);
  const auto lines = std::count(saved.begin(), saved.end(), '\n');
  if (lines != 7 + kept || !saved.ends_with(expected))
    problems.push_back("the saved file lacks records: " + std::to_string(lines) + " lines");
}

std::string runRow(const Row& row) {
  std::vector<std::string> problems;
  const auto check = [&](bool ok, const std::string& what) {
    if (!ok) problems.push_back(what);
  };
  const bool saves = row.act >= Act::SaveInFile;
  std::optional<test::BoardProcess> board;
  if (row.act == Act::NoDevice) {
    setenv("TARNVIEW_COM4", "/dev/tarnview-no-such-port", 1);
  } else {
    std::vector<std::string> args{"--model", kSolo ? "pellan" : "pellan2", "--no-pacing"};
    for (const QString& fault : QString(row.faults).split(' ', Qt::SkipEmptyParts))
      args.push_back(fault.toStdString());
    board.emplace(args);
  }
  std::optional<PortHolder> holder;
  if (row.act == Act::HeldPort) {
    holder.emplace(board->device());
    check(holder->held(), "the other program could not take the port");
  }
  QTemporaryDir dir;
  App app;
  Form1& w = app.form();

  if (row.act == Act::Connect || row.act == Act::HeldPort || row.act == Act::NoDevice)
    w.Button1.userClick();
  else
    measure(w);
  if (row.act == Act::MeasureRead) {
    check(w.state.SampleIndex == 300, "the measurement before the read did not finish");
    w.Command29.userClick();
  }
  std::string shown = saves ? saveFailing(row.act, w, dir, problems) : "";
  check(settle(w), "captions disagree with the port");
  if (!saves) shown = w.Status.text();
  check(std::regex_match(shown, std::regex(row.shown)), "shown: \"" + shown + "\"");
  const bool opened = row.act != Act::HeldPort && row.act != Act::NoDevice;
  const std::string comStatus = opened ? "115200,N,8,1" : "COM Open 失敗 ...";
  check(w.ComStatus.caption() == comStatus, "ComStatus: " + w.ComStatus.caption());
  check(w.MSComm1.portOpen() == row.open, "the port is not as expected");
  check(!w.state.Measuring, "a measurement is left running");
  if (row.kept >= 0)
    check(w.state.SampleIndex == row.kept, "kept " + std::to_string(w.state.SampleIndex));
  // The plot shows what was kept; the older program draws a finished measurement only.
  const int drawn = row.kept == 300 || (!kSolo && row.kept >= 10) ? row.kept : 0;
  for (const PlotView::Trace& trace : app.window().plot().traces())
    check(trace.points.size() == drawn, "plotted " + std::to_string(trace.points.size()));
  check(app.window().plot().traces().size() == (drawn ? 2u : 0u), "a trace is missing");

  if (holder) holder->letGo();
  w.Button1.userClick();
  check(settle(w), "after the next click, captions disagree with the port");
  check(w.MSComm1.portOpen() == row.nextOpen, "the next click left the port wrong");
  if (row.kept > 0) checkSaved(w, dir, row.kept, problems);

  // The table shows one line per case, without the temporary folder's name.
  QString text = QString::fromStdString(shown).replace(dir.path(), "…").replace('\n', " / ");
  std::string outcome = "\"" + text.toStdString() + "\"";
  if (!opened) outcome += " + \"" + comStatus + "\"";
  outcome += row.open ? "; port open" : "; port closed";
  if (row.kept >= 0) outcome += "; " + std::to_string(row.kept) + " records kept";
  if (row.kept > 0) outcome += " and saved";
  outcome += row.nextOpen ? "; next click connects" : "; next click answers";
  for (const std::string& problem : problems) {
    ADD_FAILURE() << row.name << ": " << problem;
    outcome += " -- FAILED: " + problem;
  }
  return outcome;
}

TEST(FaultMatrix, EveryFaultIsReportedAndLosesNothing) {
  for (const Row& row : kRows) {
    if (kSolo && std::string(row.faults) == "--refuse") continue;  // the older board never refuses
    outcomes().emplace_back(row.name, runRow(row));
  }
}

}  // namespace
}  // namespace tarn
