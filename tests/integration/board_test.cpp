// The program against the simulated board through the real port, dialog and files: each board's
// protocol and every fault of board, cable, port and disk. A row holds when the window says what
// happened, its captions tell the truth about the port, and no record or file is lost.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <QAbstractButton>
#include <QDir>
#include <QTemporaryDir>
#include <csignal>
#include <optional>
#include <regex>

#include "support/board_process.h"
#include "support/modal_driver.h"
#include "support/pump.h"
#include "ui/presenter.h"
#include "ui/qt/app.h"
#include "ui/qt/main_window.h"
#include "ui/qt/qt_serial.h"

namespace tarn {
namespace {

using test::ModalDriver;
using test::pumpUntil;

enum Model : unsigned { P2 = 1, Q2 = 2, P = 4 };
constexpr const char* kKeys[] = {"", "pellan2", "quorin2", "", "pellan"};

// What a row does once the board runs.
enum class Act {
  Connect,       // click 接続確認
  HeldPort,      // ... while another port object holds it, as a program does; it lets go after
  NoDevice,      // ... with COM4 naming a device that does not exist
  Measure,       // connect and measure 300 two-channel records
  MeasureMv,     // ... in mV
  MeasureRead,   // ... then click 読出し
  Disconnect,    // connect, start an endless measurement, then click 閉じる
  Quit,          // ... click 終了
  Close,         // ... close the window
  SaveInFile,    // measure, then save into a "folder" that is a file
  SaveReadOnly,  // ... into a folder nobody may write in (/proc/sys: root too)
  SaveMissing,   // ... into a folder that does not exist
  SaveFullDisk,  // ... over a file, with room for 4096 bytes only
};
using enum Act;

struct Row {
  const char* name;
  unsigned models;
  const char* options;  // tarnboard's
  Act act;
  std::string shown;  // regex: the status ("status | settings | rate" for Connect), or the boxes
  bool open;          // the port afterwards
  int kept;           // records kept and saved; -1 where not checked
  bool nextOpen;      // the port after a further click on 接続確認
};

const std::string kFinished = R"(測定終了\.\.\. \[digit pp\] : CH0= \d+, CH1= \d+)";
const std::string kNoAnswer = R"((AD7172|Pellan)が応答しませんでした \| Label1 \| ---)";
const std::string kLost = "COMポートが切断されました", kStopped = "測定停止しました";
const std::string kNoOpen = "(Setting Error)?";  // the older board's window clears the line
const std::string kNoFolder = R"(.*/(plain|missing)\nDirectory not found\.\n[\s\S]*)";

// The rate read is command 6: ?, S? and F? of the check, then the rate and the
// start. A record that lost a character is discarded, and the rest of it.
// clang-format off
const Row kRows[] = {
  // case                          boards   options                act           shown      open kept next
  {"Sinc3 and ExtRef, rate 7",       P2,      "--status 13 --rate 7", Connect, R"(データレート読出しました \| ±2\.5V / ExtRef / Sinc3 \| 59\.98sps)", 1, -1, 0},
  {"Sinc3 and ExtRef, rate 7",       Q2,      "--status 13 --rate 7", Connect, R"(データレート読出しました \| ±2\.5V / ExtRef / Sinc3 \| 200\.3sps)", 1, -1, 0},
  {"Sinc3 and ±5V, rate 7",          P,       "--status 13 --rate 7", Connect, R"(データレート読出しました \| ±5V / Sinc3 \| 59\.98sps)", 1, -1, 0},
  {"binary records",                 P2|Q2|P, "--sine 0.2,5",          Measure,      kFinished,   1, 300, 0},
  {"mV records",                     P2|Q2|P, "--sine 0.2,5",          MeasureMv,    R"(測定終了\.\.\. \[mV pp\] : CH0=[\d.]+, CH1=[\d.]+)", 1, 300, 0},
  {"silent board",                   P2|P,    "--silent",              Connect,      kNoAnswer,   1,  -1, 0},
  {"replies 150 ms late",            P2|P,    "--reply-delay 150",     Connect,      kNoAnswer,   1,  -1, 0},
  {"replies a character at a time",  P2|P,    "--trickle",             Measure,      kFinished,   1, 300, 0},
  {"stray text before replies",      P2|P,    "--stray xy",            Connect,      R"((AD7172|Pellan)の応答エラーです \| \?\?\? \| ---)", 1, -1, 0},
  {"start refused with NG",          P2,      "--refuse",              Measure,      R"(測定開始エラー\.\.\. )", 1, 0, 0},
  {"garbage records, framed",        P2|P,    "--garbage-every 50",    Measure,      kFinished + R"( \(不正なレコード 6 個を破棄\))", 1, 294, 0},
  {"a stream of garbage, framed",    P2|P,    "--garbage-every 1",     Measure,      "測定終了... 有効なデータがありません", 1, 0, 0},
  {"a damaged value now and then",   P2|Q2|P, "--corrupt-every 40",    MeasureMv,    R"(測定終了\.\.\. \[mV pp\] : CH0=[\d.]+, CH1=[\d.]+ \(不正なレコード 7 個を破棄\))", 1, 293, 0},
  {"records in 16 ms batches",       P2|P,    "--latency-ms 16",       Measure,      kFinished,   1, 300, 0},
  {"characters dropped",             P2|P,    "--drop-every 1000",     Measure,      kFinished + R"( \(不正なレコード 3 個を破棄\))", 1, 297, 0},
  {"characters inserted",            P2|P,    "--insert-every 1000",   Measure,      kFinished + R"( \(不正なレコード 3 個を破棄\))", 1, 297, 0},
  {"cable pulled during the check",  P2|P,    "--unplug-at-command 2", Connect,      kLost + ".*", 0, -1, 0},
  {"cable pulled during rate read",  P2|P,    "--unplug-at-command 6", MeasureRead,  kLost,       0, 300, 0},
  {"cable pulled mid-measurement",   P2|P,    "--unplug-after 120",    Measure,      kLost + R"(。測定を中止しました \(受信 120 個\))", 0, 120, 0},
  {"closed mid-measurement",         P2|P,    "",                      Disconnect,   kStopped,    0,  -1, 1},
  {"quit mid-measurement",           P2|P,    "",                      Quit,         kStopped,    0,  -1, 1},
  {"window closed mid-measurement",  P2,      "",                      Close,        kStopped,    0,  -1, 1},
  {"port held by another program",   P2|P,    "",                      HeldPort,     kNoOpen,     0,  -1, 1},
  {"no device behind COM4",          P2|P,    "",                      NoDevice,     kNoOpen,     0,  -1, 0},
  {"save into a file, not a folder", P2,      "",                      SaveInFile,   kNoFolder,   1, 300, 0},
  {"save into a read-only folder",   P2,      "",                      SaveReadOnly, "データファイルを保存出来ませんでした", 1, 300, 0},
  {"save into a missing folder",     P2,      "",                      SaveMissing,  kNoFolder,   1, 300, 0},
  {"save onto a full disk",          P2,      "",                      SaveFullDisk, R"([\s\S]* \| .*/full\.csv に上書きしますか？ \| データファイルを保存出来ませんでした)", 1, 300, 0},
};
// clang-format on

// Waits until the board has heard the stop the window sent: it answers a
// command again. What it sent before that answer is the stream's tail, which
// a board that is slow to stop would otherwise hand to the next click.
bool boardStopped(const std::string& device, const LineSettings& line) {
  posix::SerialPort port;
  port.open(device, line);
  port.write("?\r");
  std::string got;
  const SteadyTime limit = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (!got.ends_with(" sim 1.0\r") && std::chrono::steady_clock::now() < limit) {
    port.waitForInput(limit);
    got += port.read();
  }
  return got.ends_with(" sim 1.0\r");
}

// Saves into the row's failing target; the message boxes shown, " | "-joined.
// The folder must hold exactly what it held before, byte for byte.
std::string saveFailing(Act act, Presenter& p, const QTemporaryDir& dir, std::string& problem) {
  QFile full(dir.filePath("full.csv"));
  if (!QFile(dir.filePath("plain")).open(QIODevice::WriteOnly) ||
      !full.open(QIODevice::WriteOnly) || full.write("old\r\n") != 5)
    return "(no files to start from)";
  full.close();
  const auto snapshot = [&] {
    std::string all;
    for (const QString& name : QDir(dir.path()).entryList(QDir::Files))
      all += name.toStdString() + "=" + test::readAll(dir.filePath(name)) + ";";
    return all;
  };
  const std::string before = snapshot();
  using D = ModalDriver;
  std::vector<D::Step> steps{D::type(act == SaveInFile     ? dir.filePath("plain/run.csv")
                                     : act == SaveMissing  ? dir.filePath("missing/run.csv")
                                     : act == SaveReadOnly ? "/proc/sys/tarnview-run.csv"
                                                           : dir.filePath("full.csv")),
                             D::answer(QMessageBox::Ok)};
  if (act == SaveInFile || act == SaveMissing) steps.push_back(D::cancel());
  if (act == SaveFullDisk)  // the dialog asks, then the program
    steps.insert(steps.begin() + 1, {D::answer(QMessageBox::Yes), D::answer(QMessageBox::Yes)});
  std::string shown;
  {
    D driver(steps);
    // A full disk lets files grow to 4096 bytes only, for root too.
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    const rlimit limit{act == SaveFullDisk ? 4096 : old.rlim_cur, old.rlim_max};
    const auto handler = std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &limit);
    p.saveData();
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, handler);
    for (const std::string& box : driver.boxes) shown += (shown.empty() ? "" : " | ") + box;
  }
  if (snapshot() != before) problem = "the folder changed: " + snapshot();
  return shown;
}

std::vector<std::string> runRow(const Row& row, unsigned model) {
  SCOPED_TRACE(std::string(row.name) + " (" + kKeys[model] + ")");  // for the dialogs' failures
  std::vector<std::string> problems(1);                             // "" for each check that held
  const auto check = [&](bool ok, std::string what) { problems.push_back(ok ? "" : what); };
  const bool stops = row.act >= Disconnect && row.act <= Close, saves = row.act >= SaveInFile;
  // The board paces its records (1007 a second) only where a running stream is stopped or
  // delivered as an adapter does.
  const bool paced = stops || std::string_view(row.options).starts_with("--latency-ms");
  std::vector<std::string> args{"--model", kKeys[model], paced ? "--rate=B" : "--no-pacing"};
  for (const QString& o : QString(row.options).split(' ', Qt::SkipEmptyParts))
    args.push_back(o.toStdString());
  // A loaded machine may keep the board from answering within the protocol's
  // 100 ms: only the rows of a board that is late on purpose keep that deadline.
  if (row.shown == kNoAnswer) {
    unsetenv("TARNVIEW_REPLY_MS");
  } else {
    setenv("TARNVIEW_REPLY_MS", "10000", 1);
  }
  const test::BoardProcess board(args);
  App app(model == P ? olderBoards() : currentBoards());
  Presenter& p = app.presenter();
  const auto m = [&p] { return p.measurement(); };
  const auto button = [&app](const char* name) {
    return static_cast<QAbstractButton*>(app.window().widget(name));
  };
  if (model == Q2) p.modelOptions[1].userClick();
  posix::SerialPort holder;
  if (row.act == HeldPort) holder.open(board.device(), p.board().line);
  if (row.act == NoDevice) setenv("TARNVIEW_COM4", "/dev/tarnview-no-such-port", 1);
  p.toggleConnection();
  if (row.act >= Measure) {
    p.sampleCount.setText(stops ? "0" : "300");
    (row.act == MeasureMv ? p.mvOption : p.binaryOption).userClick();
    p.channelList.userSelect(2);
    p.toggleMeasurement();
    check(pumpUntil([&] { return stops ? m() && m()->received() >= 20 : !p.measuring(); }),
          "the measurement did not come to its end");
  }
  if (stops) {
    // The plot follows a paced stream in a window that can be seen.
    app.window().show();
    const auto inked = [&app] {
      const QImage plot = app.window().plot().grab().toImage();
      for (int y = 0; y < plot.height(); ++y)
        for (int x = 0; x < plot.width(); ++x)
          if ((plot.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF) return true;
      return false;
    };
    check(pumpUntil(inked) && p.measuring() && p.scaleTop.caption() != "---",
          "no trace while measuring");
  }
  if (row.act == MeasureRead) p.readRate();
  if (row.act == Disconnect) p.toggleConnection();
  if (row.act == Quit) button("QuitB")->click();
  if (row.act == Close) app.window().show(), app.window().close();
  const QTemporaryDir dir;
  std::string shown = saves ? saveFailing(row.act, p, dir, problems[0]) : "";
  // The captions tell the truth about the port; a quitting program leaves them be.
  const auto settled = [&](bool open, bool quitting) {
    return app.port().isOpen() == open && !p.measuring() &&
           button("SendB2")->text() == "測定開始" &&
           (quitting || (button("Button1")->text() == "閉じる") == open);
  };
  check(pumpUntil([&] { return settled(row.open, row.act == Quit || row.act == Close); }, 5000),
        "the window disagrees with the port");
  if (stops) check(boardStopped(board.device(), p.board().line), "the board never stopped");
  if (!saves) shown = p.status.text();
  if (row.act == Connect) shown += " | " + p.boardSettings.caption() + " | " + p.rateList.text();
  check(std::regex_match(shown, std::regex(row.shown)), "shown: \"" + shown + "\"");
  const bool opened = row.act != HeldPort && row.act != NoDevice;
  check(p.portStatus.caption() == (opened ? p.board().line.text() : "COM Open 失敗 ..."),
        "ComStatus: " + p.portStatus.caption());
  if (row.kept >= 0)
    check(m() && m()->received() == row.kept, "kept: " + (m() ? m()->progressText() : ""));
  holder.close();
  button("Button1")->click();
  check(pumpUntil([&] { return settled(row.nextOpen, false); }, 5000), "the next click failed");
  // The board answers again: whatever the row did left no stream running.
  if (row.nextOpen)
    check(p.status.text() == "データレート読出しました", "next: " + p.status.text());
  if (row.kept <= 0) return problems;
  // What was kept is saved through the dialog into a new file, every record as it came.
  {
    ModalDriver driver({ModalDriver::type(dir.filePath("kept.csv"))});
    p.saveData();
    for (const std::string& box : driver.boxes) check(false, "the save said: " + box);
    check(driver.dialogs.at(0) == "(CSVファイル) (*.csv)", "offered " + driver.dialogs[0]);
  }
  std::string rows;
  for (const SampleRecord& record : m()->records())
    rows += record.field[0] + "," + record.field[1] + "\r\n";
  const std::string saved = test::readAll(dir.filePath("kept.csv"));
  const auto lines = std::count(saved.begin(), saved.end(), '\n');
  check(lines == 7 + row.kept && saved.ends_with(rows), std::to_string(lines) + " lines saved");
  return problems;
}

TEST(Board, EveryModelAndFaultIsShownAndLosesNothing) {
  for (const Row& row : kRows)
    for (const unsigned model : {P2, Q2, P})
      if (row.models & model)
        for (const std::string& problem : runRow(row, model))
          if (!problem.empty())
            ADD_FAILURE() << row.name << " (" << kKeys[model] << "): " << problem;
}

}  // namespace
}  // namespace tarn
