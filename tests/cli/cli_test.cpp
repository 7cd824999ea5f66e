// The real program against the simulated board, and beside the window's
// presenter. With TARNVIEW_CLI_WINE naming tarnview-cli.exe, the program is
// the Windows build under wine (in $WINEPREFIX) on a Japanese system: the
// boards are its COM ports, and it writes code page 932.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>

#include "acquisition/acquisition_texts.h"
#include "analysis/analysis_texts.h"
#include "board/board_texts.h"
#include "common/system_clock.h"
#include "datafile/code_page.h"
#include "datafile/saved_file.h"
#include "posix/serial_port.h"
#include "support/fakes.h"
#include "ui/presenter.h"

namespace tarn {
namespace {

namespace at = acquisition_texts;

// Reads `fd` until `done` holds, to its end, or until ten seconds of silence.
std::string readUntil(int fd, const std::function<bool(const std::string&)>& done) {
  std::string text;
  pollfd p{fd, POLLIN, 0};
  for (char c; !done(text) && poll(&p, 1, 10000) == 1 && read(fd, &c, 1) == 1;) text += c;
  return text;
}

// A program the shell starts, its standard output on a pipe.
struct Program {
  explicit Program(const std::string& command)
      : pipe(popen(("echo $$; exec " + command).c_str(), "r")), pid(std::stoi(line())) {}
  ~Program() {
    if (pipe) kill(pid, SIGTERM), pclose(pipe);
  }
  std::string line() {
    std::string text = readUntil(fileno(pipe), [](auto& s) { return s.ends_with('\n'); });
    return text.substr(0, text.size() - 1);
  }
  int finish() {  // the exit status, once the output has ended
    text = readUntil(fileno(pipe), [](auto&) { return false; });
    const int status = pclose(std::exchange(pipe, nullptr));
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  FILE* pipe;
  pid_t pid;
  std::string text;
};

// A file in a folder of this test process's own, removed at its end.
std::string scratch(const std::string& name) {
  static const struct Folder {
    Folder() { std::filesystem::create_directory(path); }
    ~Folder() { std::filesystem::remove_all(path); }
    std::string path = "/tmp/tarnview_cli_" + std::to_string(getpid());
  } folder;
  return folder.path + "/" + name;
}

// The program under test, and whether it runs under wine: on a Japanese
// system (code page 932), or on a Western one (1252) when
// TARNVIEW_CLI_WINE_LOCALE names its locale, such as C.UTF-8.
const std::string kWine = [] {
  const char* exe = std::getenv("TARNVIEW_CLI_WINE");
  const char* locale = std::getenv("TARNVIEW_CLI_WINE_LOCALE");
  return exe && *exe ? "env LC_ALL=" + std::string(locale ? locale : "ja_JP.UTF-8") +
                           " /usr/lib/wine/wine64 " + exe
                     : "";
}();
const std::string kProgram = kWine.empty() ? TARNVIEW_CLI_PATH : kWine;
const std::string kCodePage = kWine.empty()                                     ? ""
                              : kWine.find("LC_ALL=ja_JP") != std::string::npos ? "CP932"
                                                                                : "CP1252";

// UTF-8 text as the program writes it for the user, when not to a console.
std::string asWritten(std::string_view utf8) {
  return kWine.empty() ? std::string(utf8) : datafile::encodeText(utf8, kCodePage).value_or("");
}

// The name the program opens `device` by: under wine a COM port, linked to
// it. Wine links the first ports to the machine's own (/dev/ttyS<n-1>) as it
// starts; the last ports are left alone.
std::string portName(const std::string& device) {
  if (kWine.empty()) return device;
  static int used = 0;
  const std::string number = std::to_string(used++ % 7 + 10);
  const char* prefix = std::getenv("WINEPREFIX");
  const std::filesystem::path link =
      (prefix ? std::string(prefix) : std::string(std::getenv("HOME")) + "/.wine") +
      "/dosdevices/com" + number;
  std::filesystem::remove(link);
  std::filesystem::create_symlink(device, link);
  return "COM" + number;
}

// A pipe whose writing end only this process holds: a board reading it
// leaves when the test ends, however it ends.
struct Lifeline {
  Lifeline() { pipe2(fd, O_CLOEXEC), fcntl(fd[0], F_SETFD, 0); }
  ~Lifeline() { close(fd[1]); }
  int fd[2];
};

struct Board : Lifeline, Program {  // with its device, and its stderr in a file
  explicit Board(const std::string& args)
      : Program(TARNBOARD_PATH " " + args + " 2>" + scratch("board.txt") + " <&" +
                std::to_string(fd[0])),
        device((close(fd[0]), line())),
        port(portName(device)) {}
  std::string device, port;
};

struct Outcome {
  int status;
  std::string text;  // stdout and stderr
  bool says(std::string_view what) const { return text.find(asWritten(what)) != std::string::npos; }
};

// A loaded machine may keep the board from answering within the protocol's
// 100 ms: the rows wait as long as it takes, but for those that test the
// deadline itself with a board that is late on purpose.
const bool kPatient = setenv("TARNVIEW_REPLY_MS", "10000", 1) == 0;

Outcome cli(const std::string& args, bool patient = kPatient) {
  Program p((patient ? "" : "env -u TARNVIEW_REPLY_MS ") + kProgram + " " + args + " 2>&1");
  const int status = p.finish();
  // Lines end in CR LF on Windows.
  for (size_t cr; (cr = p.text.find("\r\n")) != std::string::npos;) p.text.erase(cr, 1);
  return {status, p.text};
}

using test::contentOf;
using test::withoutDateLine;

TEST(CliBoard, MeasuresEveryFormatAndChannelChoice) {
  namespace t = analysis_texts;
  const std::tuple<std::string, const char*> rows[] = {{"binary --channels 0", t::kDigitPpCh0},
                                                       {"binary --channels 1", t::kDigitPpCh1},
                                                       {"binary --channels both", t::kDigitPpBoth},
                                                       {"mv --channels 0", t::kMvPpCh0},
                                                       {"mv --channels 1", t::kMvPpCh1},
                                                       {"mv --channels both", t::kMvPpBoth}};
  const auto figures = [](const std::string& json) {
    const size_t at = json.find("\"figures\"");
    return json.substr(at, json.find(']', at) - at);
  };
  const std::string path = scratch("measured.csv");
  for (const auto& [choice, summary] : rows) {
    Board board("--no-pacing");
    const Outcome r = cli("--port " + board.port + " measure --count 40 --out " + path +
                          " --json --format " + choice);
    const std::string status = "\"status\":\"" + std::string(at::kFinished) + summary;
    EXPECT_TRUE(r.status == 0 && r.text.find(status) != std::string::npos)
        << r.text;  // JSON: UTF-8
    const datafile::SavedFile file = datafile::readDataFile(contentOf(path));
    EXPECT_EQ(file.records.size(), 40u);
    EXPECT_EQ(file.settings.format == DataFormat::Binary, choice.starts_with("binary"));
    EXPECT_EQ(figures(cli("stats --json " + path).text), figures(r.text));  // file = stream
  }
}

// One command against a board: its exit status and what it says.
TEST(CliBoard, CommandsFailuresAndLimitsGiveTheWindowsTextsAndStatus) {
  namespace bt = board_texts;
  const std::string lost = scratch("lost.csv"), damaged = scratch("damaged.csv"),
                    lostSweep = scratch("lost-sweep");
  // Rows 2 and 3 are no values: damaged, and short.
  std::ofstream(damaged) << "データ\r\n-\r\n設定 : \r\nデータレート : \r\n測定CH : \r\n"
                            "データ個数 :  3\r\nCH0=Ain0-Ain1\r\n800000\r\n12G456\r\n80004\r\n";
  std::vector<std::tuple<std::string, std::string, int, std::string>> rows = {
      {"--refuse", "measure --count 10", 1, at::kRefused},
      {"--silent", "check", 1, std::string(boardByKey("pellan2")->noAnswer)},
      {"--unplug-after 30", "measure --count 100 --out " + lost, 1,
       at::kLostDuringMeasurement + std::string("30") + at::kLostCountEnd},
      {"--no-pacing", "measure --count 50 --max-pp 0", 3, "limits: FAIL; CH0 pp="},
      {"--no-pacing", "measure --count 50 --min-bits 1", 0, "limits: pass"},
      {"--no-pacing --corrupt-every 10", "measure --count 50", 0,
       at::kDiscarded + std::string("5") + at::kDiscardedEnd + "\nCH0 count=45 "},
      {"--no-pacing --corrupt-every 1", "measure --count 5 --json", 1,
       R"("received":0,"discarded":5,"end":"finished")"},
      {"", "--port /nonexistent check", 1, bt::kComOpenFailed},
      {"", "--port COM17 check", 2, bt::kComNumberRange},
      {"", "stats " TARNBOARD_PATH, 2, "is not a data file: line 1"},
      {"", "stats " + damaged, 0,
       "left out: 2 row(s) that are not values (first: row 2)\nCH0 count=1"},
      {"", "stats --json " + damaged, 0, R"("received":1,"discarded":2,)"},
      {"", "report " TARNBOARD_PATH " --out " + scratch("r.html"), 2, "is not a data file"},
      {"", "report /nonexistent.csv --out " + scratch("r.html"), 1, "cannot read"},
      {"", "report " + lost, 2, "report needs --out REPORT.html"},
      {"", "report " + lost + " --out /nonexistent/r.html", 1, "cannot write the report"},
      {"", "report " + lost + " " + lost + " --out " + scratch("c.html"), 0,
       "compared in codes: CH0\nCH0 " + lost + " against " + lost + ": within the spread, 0.00 %"},
      {"", "report " + lost + " " + damaged + " --out " + scratch("c.html"), 2,
       "cannot compare " + lost + ", " + damaged + ": " + damaged + " holds codes of an input"},
      {"--no-pacing", "measure --count 50 --report " + scratch("m.html"), 0, "report: "},
      // The board leaves at the third rate's command: the first two are kept.
      {"--no-pacing --unplug-at-command 8", "sweep --rates 2-5 --count 30 --out " + lostSweep, 1,
       bt::kPortLost}};
  for (const std::string key : {"pellan2", "quorin2", "pellan"}) {
    const BoardProfile& b = *boardByKey(key);
    const std::string board = "--model " + key + " --status 13 --rate 2", model = "--model " + key;
    const std::string rate2(b.ratesSinc3[2]), rate4(b.ratesSinc3[4]);
    rows.push_back(
        {board, model + " check", 0,
         std::string(b.boardOk) + "\nsettings: " + std::string(b.setting1) + bt::kSinc3});
    rows.push_back({board, model + " check", 0, b.line.text()});
    rows.push_back({board, model + " rate", 0, bt::kRateRead + ("\nrate: " + rate2) + " (code 2)"});
    rows.push_back({board, model + " rate set " + rate4, 0, bt::kRateSet + ("\nrate: " + rate4)});
  }
  for (const auto& [boardArgs, args, status, text] : rows) {
    Board board(boardArgs);
    const Outcome r =
        cli((args.find("--port") == 0 || args.find("stats") == 0 || args.find("report") == 0
                 ? ""
                 : "--port " + board.port + " ") +
                args,
            boardArgs != "--silent");
    EXPECT_TRUE(r.status == status && r.says(text)) << r.status << r.text << "\nwanted " << text;
  }
  EXPECT_EQ(datafile::readDataFile(contentOf(lost)).records.size(), 30u);  // kept when lost
  for (const char* kept : {"/rate-02-5sps.csv", "/rate-03-10sps.csv"})
    EXPECT_EQ(datafile::readDataFile(contentOf(lostSweep + kept)).records.size(), 30u) << kept;
}

// The 95 % interval of the rms of n independent values whose rms is `sd`:
// chi-square with n - 1 degrees of freedom, in Wilson and Hilferty's form.
std::pair<double, double> rmsInterval(double sd, int n) {
  const double k = n - 1, a = 2 / (9 * k);
  const auto chi2 = [&](double z) { return k * std::pow(1 - a + z * std::sqrt(a), 3); };
  return {sd * std::sqrt(k / chi2(1.959964)), sd * std::sqrt(k / chi2(-1.959964))};
}

// The whole path, board to table: the simulated board's noise is 5.0 uV rms x
// sqrt(rate / 31250 sps), plus a code's quantisation noise (5 V / 2^24)^2 / 12,
// and each run's rms must hold it within its interval.
TEST(CliBoard, SweepFollowsTheNoiseModelSavesAsMeasureAndSetsTheRateBack) {
  const std::string dir = scratch("sweep"), single = scratch("single.csv");
  Board board("--no-pacing"), fresh("--no-pacing");
  const Outcome r = cli("--port " + board.port + " sweep --rates 11,6,9 --count 4000 --out " + dir +
                        " --note shorted --json");
  ASSERT_EQ(r.status, 0) << r.text;
  const std::regex runs(
      R"re(\{"rate":\{"code":(\d+),"text":"([^"]+)"\},"count":4000,"received":4000,)re"
      R"re("discarded":0,"file":"([^"]+)","end":"finished","figures":\[\{"channel":0[^{}]*"sdUv":([^,]+))re");
  std::vector<std::string> codes, files;
  const double code = 5e6 / 16777216;  // uV
  for (auto m = std::sregex_iterator(r.text.begin(), r.text.end(), runs);
       m != std::sregex_iterator(); ++m) {
    const std::string text = (*m)[2];
    codes.push_back((*m)[1]);
    files.push_back((*m)[3]);
    EXPECT_EQ(files.back(), dir + "/rate-" + (codes.back().size() == 1 ? "0" : "") + codes.back() +
                                "-" + text + ".csv");
    const datafile::SavedFile file = datafile::readDataFile(contentOf(files.back()));
    EXPECT_TRUE(file.records.size() == 4000 && file.settings.rateText == text) << text;
    const double model = 5.0 * std::sqrt(std::stod(text) / 31250);
    const double expected = std::sqrt(model * model + code * code / 12);
    const auto [low, high] = rmsInterval(std::stod((*m)[4]), 4000);
    EXPECT_TRUE(low <= expected && expected <= high)
        << text << ": " << expected << " uV outside [" << low << ", " << high << "]";
  }
  EXPECT_EQ(codes, (std::vector<std::string>{"11", "6", "9"})) << r.text;
  // The first run is what measure takes from a board just started alike.
  ASSERT_EQ(cli("--port " + fresh.port + " measure --rate 11 --count 4000 --out " + single).status,
            0);
  ASSERT_FALSE(files.empty());
  EXPECT_EQ(withoutDateLine(contentOf(files[0])), withoutDateLine(contentOf(single)));
  EXPECT_TRUE(cli("--port " + board.port + " rate").says("rate: 59.52sps (code 7)"));
  const std::string report = contentOf(dir + "/report.html");
  for (const char* text : {"Noise sweep", "shorted", "1007sps (code 11)", "49.68sps (code 6)"})
    EXPECT_NE(report.find(text), std::string::npos) << text;
}

TEST(CliBoard, CtrlCStopsLikeTheWindowAndKeepsWhatArrived) {
  // Under wine a terminal is no console: no progress tells that records arrived.
  if (!kWine.empty()) GTEST_SKIP() << "no progress on a terminal under wine";
  // The stop is the sixth command line (?, S?, F?, F7, start, stop), and the
  // board leaves when it arrives.
  Board board("--unplug-at-command 6");
  const int terminal = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  ASSERT_TRUE(terminal >= 0 && grantpt(terminal) == 0 && unlockpt(terminal) == 0);
  const std::string path = scratch("stopped.csv");
  Program c(TARNVIEW_CLI_PATH " --port " + board.device + " measure --count 1000 --out " + path +
            " 2>" + ptsname(terminal));
  const auto arrived = [](const std::string& s) {  // progress on the terminal: "\r1/1000 ..."
    return s.size() > 1 && s[s.size() - 2] == '\r' && s.back() >= '1' && s.back() <= '9';
  };
  ASSERT_TRUE(arrived(readUntil(terminal, arrived)));
  kill(c.pid, SIGINT);
  EXPECT_EQ(c.finish(), 0);
  EXPECT_NE(c.text.find(at::kStopped), std::string::npos) << c.text;
  const size_t kept = datafile::readDataFile(contentOf(path)).records.size();
  EXPECT_TRUE(kept > 0 && kept < 1000) << kept;
  board.finish();
  EXPECT_NE(contentOf(scratch("board.txt")).find("at command 6"), std::string::npos);
  close(terminal);
}

// A console shows the messages in full, whatever its code page; the data file
// keeps every character, as UTF-8 after a byte-order mark on a Windows whose
// code page holds no Japanese. Redirected, the messages are as they were.
TEST(CliBoard, KeepsEveryCharacterOnAConsoleAndInTheFile) {
  Board board("--no-pacing");
  const int terminal = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  ASSERT_TRUE(terminal >= 0 && grantpt(terminal) == 0 && unlockpt(terminal) == 0);
  const std::string path = scratch("console.csv");
  Program c(kProgram + " --port " + board.port + " measure --count 5 --out " + path + " >" +
            ptsname(terminal) + " 2>&1");
  const std::string shown = readUntil(terminal, [](const std::string& s) {
    return s.find("saved: ") != std::string::npos && s.ends_with('\n');
  });
  EXPECT_EQ(c.finish(), 0);
  close(terminal);
  EXPECT_NE(shown.find(at::kFinished), std::string::npos) << shown;
  const std::string file = contentOf(path);
  EXPECT_EQ(file.starts_with(datafile::kUtf8Mark), kCodePage == "CP1252");
  EXPECT_EQ(datafile::readDataFile(file).records.size(), 5u);
  const Outcome stats = cli("stats " + path), redirected = cli("--port COM17 check");
  EXPECT_TRUE(stats.status == 0 && stats.says("settings: ±2.5V")) << stats.text;
  EXPECT_TRUE(redirected.says(board_texts::kComNumberRange)) << redirected.text;
}

// The window's seams around its presenter; the file it saves lands in `saved`.
struct WindowSeams : PlotSurface, SaveDialog, MessageBox, FileStore, Opener {
  void clear() override {}
  void draw(std::vector<Trace>) override {}
  bool savePicture(const std::string&) override { return false; }
  bool open(const std::string&) override { return true; }
  std::optional<std::string> askSavePath(const SaveRequest&) override { return "/w.csv"; }
  std::optional<std::string> askFolder(const SaveRequest&) override { return {}; }
  std::vector<std::string> askOpenPaths(const SaveRequest&) override { return {}; }
  void tell(const std::string&) override {}
  bool ask(const std::string&) override { return false; }
  int64_t fileLength(const std::string&) override { return -1; }
  void replaceFile(const std::string&, std::string_view bytes) override { saved = bytes; }
  std::string readFile(const std::string&) override { return saved; }
  bool folderWritable(const std::string&) override { return true; }
  std::string homeFolder() override { return "/"; }
  std::string programFolder() override { return "/"; }
  std::string saved;
};

TEST(CliBoard, GivesTheWindowsSummaryAndFileForTheSameStream) {
  const std::string stream = "--no-pacing --seed 7 --sine 0.5,3", path = scratch("same.csv");
  Board forCli(stream), forWindow(stream);
  const std::string report = scratch("same.html");
  const Outcome r = cli("--port " + forCli.port + " measure --count 300 --channels both --out " +
                        path + " --report " + report);
  setenv("TARNVIEW_COM4", forWindow.device.c_str(), 1);  // the window's first port
  posix::SerialPort port;
  SystemClock clock;
  WindowSeams seams;
  Presenter window({port, clock, seams, seams, seams, seams, seams}, currentBoards());
  window.toggleConnection();
  window.sampleCount.userEdit("300");
  window.channelList.setListIndex(2);
  window.toggleMeasurement();
  while (window.measuring()) {
    port.waitForInput(clock.now() + std::chrono::seconds(1));
    window.received();
  }
  window.saveData();
  EXPECT_EQ(r.text.substr(0, r.text.find('\n')), asWritten(window.status.text()));
  EXPECT_EQ(withoutDateLine(contentOf(path)), asWritten(withoutDateLine(seams.saved)));
  window.openReport();
  const auto undated = [](const std::string& html) {
    return std::regex_replace(html, std::regex("<title>[^<]*|<th>Date</th><td>[^<]*"), "");
  };
  EXPECT_EQ(undated(contentOf(report)), undated(seams.saved));
}

}  // namespace
}  // namespace tarn
