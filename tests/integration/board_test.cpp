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
#include "support/board_rows.h"
#include "support/modal_driver.h"
#include "support/pump.h"
#include "ui/presenter.h"
#include "ui/qt/app.h"
#include "ui/qt/main_window.h"
#include "ui/qt/qt_serial.h"

namespace tarn {
namespace {

using namespace test;  // the fault table (support/board_rows.h), the board, the dialogs' driver

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

std::vector<std::string> runRow(const Row& row, Model model) {
  SCOPED_TRACE(std::string(row.name) + " (" + kKeys[model] + ")");  // for the dialogs' failures
  std::vector<std::string> problems(1);                             // "" for each check that held
  const auto check = [&](bool ok, std::string what) { problems.push_back(ok ? "" : what); };
  const bool stops = stopsAStream(row), saves = row.act >= SaveInFile;
  if (keepsTheDeadline(row)) {
    unsetenv("TARNVIEW_REPLY_MS");
  } else {
    setenv("TARNVIEW_REPLY_MS", "10000", 1);
  }
  const BoardProcess board(boardArgs(row, model));
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
    for (const Model model : {P2, Q2, P})
      if (row.models & model)
        for (const std::string& problem : runRow(row, model))
          if (!problem.empty())
            ADD_FAILURE() << row.name << " (" << kKeys[model] << "): " << problem;
}

}  // namespace
}  // namespace tarn
