// The plot box's menu items that sweep every rate and compare saved files, on
// the scripted seams: a Pellan2 whose filter offers three rates.
#include <gtest/gtest.h>

#include "datafile/saved_file.h"
#include "support/fakes.h"

namespace tarn {
namespace {

using Lines = std::vector<std::string>;

constexpr std::string_view kThreeRates[] = {"5sps", "10sps", "20.01sps"};

BoardProfile threeRates() {
  BoardProfile board = *boardByKey("pellan2");
  board.ratesSinc5 = kThreeRates;
  return board;
}
const BoardProfile kBoard = threeRates();

std::string listed(const Lines& texts, const char* between = " ") {
  std::string out;
  for (const std::string& text : texts) out += (out.empty() ? "" : between) + text;
  return out;
}

// Connected to the board found at 10sps, which answers each start of two
// records with both at once. Steps as test::Rig's, and "sweep N": the menu's
// sweep with N in the count box; "compare": the menu's comparison;
// "unwritable PATH": the file cannot be written.
struct SweepRig : test::Rig {
  SweepRig() : Rig({std::span(&kBoard, 1), 0}) {
    port.replies["F?"] = {"F1\r"};
    for (const char* rate : {"F0", "F1", "F2"}) port.replies[rate] = {"OK\r"};
    port.replies["A00002"] = {"800000\r800004\r"};
    port.replies["M20002"] = {"+0001000-0000100\r+0005567+0000020\r"};
    run({"connect", "forget"});
  }
  void steps(const Lines& all) {
    for (const std::string& step : all) {
      if (step.starts_with("sweep ")) {
        p.sampleCount.userEdit(step.substr(6));
        choose(2);
      } else if (step == "compare") {
        choose(3);
      } else if (step.starts_with("unwritable ")) {
        files.failing.insert(step.substr(11));
      } else {
        run({step});
      }
    }
  }
  void choose(size_t item) {
    const MenuItem chosen = p.plotMenu()[item];
    EXPECT_TRUE(chosen.enabled) << chosen.text;
    chosen.choose();
  }
  std::string menu() {
    std::string states;
    for (const MenuItem& item : p.plotMenu()) states += item.enabled ? "+" : "-";
    return states;
  }
  // The status texts shown in turn; a change of its tooltip alone shows the text again.
  std::string shownStatuses() const {
    std::string shown, last;
    for (size_t at = 0, bar; (bar = statuses.find('|', at)) != std::string::npos; at = bar + 1)
      if (std::string text = statuses.substr(at, bar + 1 - at); text != last) shown += last = text;
    return shown;
  }
  // The files in `folder`, by name.
  Lines namesIn(const std::string& folder) {
    Lines names;
    for (const auto& [path, bytes] : files.files)
      if (path.starts_with(folder)) names.push_back(path.substr(folder.size()));
    return names;
  }
};

TEST(SweepMenu, SweepsEveryRateIntoTheFolderAndOpensTheReport) {
  const std::string kPlan = "3 rates, 6 records, about 0:00:01|";
  const char* const kAll = "0 1 2 report";
  const std::string kLost = "COMポートが切断されました", kSilent = "AD7172が応答しませんでした";
  // `folder`: the folder dialog's answer. `rate1`: what the board sends once it is set to 10sps
  // (a read takes one piece; the link drops the piece after the OK, the start queues its records
  // after the rest). `files`: the codes of the data files written in the folder, and the report;
  // `told`: the message at the end; `opened`: the report was opened.
  // clang-format off
  const struct { const char* name; std::optional<std::string> folder; Lines steps, rate1;
                 const char* lines; std::string statuses; const char* files; std::string told = "";
                 bool opened = true; } rows[] = {
      {"every rate", "/d", {"sweep 2", "recv ", "recv ", "recv "}, {"OK\r"},
       "F? F0 A00002 F1 A00002 F2 A00002 F1", kPlan + "測定終了... 3/3 rates|", kAll},
      {"the rate buttons while it sweeps: nothing sent mid-stream", "/d", {"sweep 2", "recv ",
       "read", "set", "recv ", "recv "}, {"OK\r"}, "F? F0 A00002 F1 A00002 F2 A00002 F1",
       kPlan + "測定終了... 3/3 rates|", kAll},
      {"mV of both channels, a Windows folder", "C:\\d", {"mv", "ch 2", "sweep 2", "recv ",
       "recv ", "recv "}, {"OK\r"}, "F? F0 M20002 F1 M20002 F2 M20002 F1",
       kPlan + "測定終了... 3/3 rates|", kAll},
      {"count 0: the fewest a sweep takes", "/d", {"sweep 0", "measure"}, {"OK\r"},
       "F? F0 A00100 AX F1", "3 rates, 768 records, about 0:01:30|測定停止しました (0/3 rates)|",
       "report"},
      {"folder dialog cancelled", {}, {"sweep 2"}, {"OK\r"}, "", "", "", "", false},
      {"count not a number", "/d", {"sweep x"}, {"OK\r"}, "", "データ個数が正しくありません|", "",
       "", false},
      {"refused at one rate", "/d", {"sweep 2", "recv ", "recv ", "recv "}, {"OK\r", "", "NG\r"},
       "F? F0 A00002 F1 A00002 F2 A00002 F1", kPlan + "測定終了... 2/3 rates|", "0 2 report",
       "10sps: 測定開始エラー... "},
      {"a rate neither taken nor set back", "/d", {"sweep 2", "recv ", "recv "}, {"NG\r"},
       "F? F0 A00002 F1 F2 A00002 F1", kPlan + "測定終了... 2/3 rates|", "0 2 report",
       "10sps: データレート設定できませんでした\n10sps: データレート設定できませんでした"},
      {"silent at every rate", "/d", {"reply A00002", "sweep 2", "wait 1000", "tick", "wait 1000",
       "tick", "wait 1000", "tick"}, {"OK\r"}, "F? F0 A00002 AX F1 A00002 AX F2 A00002 AX F1",
       kPlan + "rate 2/3 10sps 0/2 0:00:00 left|rate 3/3 20.01sps 0/2 0:00:00 left|"
       "測定終了... 0/3 rates|", "report",
       "5sps: " + kSilent + "\n10sps: " + kSilent + "\n20.01sps: " + kSilent},
      {"stopped in the middle", "/d", {"sweep 2", "recv ", "recv ", "tick", "measure"},
       {"OK\r", "", "800000\r"}, "F? F0 A00002 F1 A00002 AX F1",
       kPlan + "rate 2/3 10sps 1/2 0:00:00 left|測定停止しました (1/3 rates)|", "0 1 report"},
      {"port lost in the middle", "/d", {"sweep 2", "recv ", "recv ", "fail", "recv 80"},
       {"OK\r", "", "800000\r"}, "F? F0 A00002 F1 A00002",
       kPlan + kLost + "|" + kLost + "。測定を中止しました (受信 1 個)|", "0 1 report"},
      {"quit in the middle: the report written, not opened", "/d", {"sweep 2", "recv ", "recv ",
       "quit"}, {"OK\r", "", "800000\r"}, "F? F0 A00002 F1 A00002 AX F1",
       kPlan + "測定停止しました (1/3 rates)|", "0 1 report", "", false},
      {"disconnected in the middle", "/d", {"sweep 2", "connect"}, {"OK\r"},
       "F? F0 A00002 AX F1 ", kPlan + "測定停止しました (0/3 rates)|", "report"},
      {"a file not saved", "/d", {"unwritable /d/rate-01-10sps.csv", "sweep 2", "recv ", "recv ",
       "recv "}, {"OK\r"}, "F? F0 A00002 F1 A00002 F2 A00002 F1",
       kPlan + "測定終了... 3/3 rates|", "0 2 report",
       "データファイルを保存出来ませんでした (/d/rate-01-10sps.csv)"},
  };
  // clang-format on
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    SweepRig r;
    r.user.paths = {row.folder};
    r.port.replies["F1"] = row.rate1;
    r.steps(row.steps);
    EXPECT_EQ(listed(r.port.lines), row.lines);
    EXPECT_EQ(r.shownStatuses(), row.statuses);
    EXPECT_EQ(listed(r.user.told, "\n"), row.told);
    EXPECT_FALSE(r.p.measuring());
    EXPECT_EQ(r.p.measureButton.caption(), "測定開始");
    const std::string folder = row.folder ? *row.folder : "/d";
    const std::string in = folder + (folder.starts_with("C:") ? "\\" : "/");
    // Each data file holds its own rate's records.
    std::string codes;
    for (const std::string& name : r.namesIn(in)) {
      codes += (codes.empty() ? "" : " ") + (name == "report.html" ? "report" : name.substr(6, 1));
      if (name == "report.html") continue;
      const datafile::SavedFile file = datafile::readDataFile(r.files.files[in + name]);
      EXPECT_TRUE(name.ends_with("-" + file.settings.rateText + ".csv")) << name;
      EXPECT_GT(file.records.size(), 0u) << name;
    }
    EXPECT_EQ(codes, row.files);
    EXPECT_EQ(r.opener.opened, row.opened ? Lines{in + "report.html"} : Lines{});
  }
}

TEST(SweepMenu, ItemsAreEnabledWhenTheyCanRunAndTheFolderIsOfferedAgain) {
  {
    test::Rig unchecked({std::span(&kBoard, 1), 0});
    unchecked.run({"reply ?", "connect"});  // connected, but no board answered
    EXPECT_TRUE(unchecked.p.connected());
    EXPECT_FALSE(unchecked.p.plotMenu()[2].enabled);
  }
  SweepRig r;
  r.user.paths = {"/d", "/e"};
  r.port.replies["F1"] = {"OK\r", "", "800000\r"};  // no end to the second rate's run yet
  EXPECT_EQ(r.menu(), "--++");
  r.steps({"sweep 2", "recv "});
  EXPECT_EQ(r.menu(), "----") << "while sweeping";
  EXPECT_EQ(r.p.measureButton.caption(), "測定停止");
  EXPECT_EQ(r.p.status.toolTip(), "3 rates, 6 records, about 0:00:01");
  EXPECT_EQ(r.namesIn("/d/"), Lines{"rate-00-5sps.csv"}) << "each run saved as it ends";
  r.steps({"measure", "sweep 2"});
  ASSERT_EQ(r.user.shown.size(), 2u);
  EXPECT_EQ(r.user.shown[0].title + "|" + r.user.shown[0].folder, "全レートのノイズ表|/home/user");
  EXPECT_EQ(r.user.shown[1].folder, "/d");
}

TEST(SweepMenu, ComparesTheFilesChosenAndNamesOnesItCannotRead) {
  const std::string kRead = "データファイルを読み込めませんでした (";
  const std::string a = "/d/rate-00-5sps.csv", b = "/d/rate-02-20.01sps.csv";
  const std::string nameA = a.substr(3), nameB = b.substr(3);  // each run named by its file
  // `page`: the temporary page opened, "" for none; `shows`: texts it holds.
  // clang-format off
  const struct { const char* name; Lines chosen; const char* page; Lines shows; std::string told;
               } rows[] = {
      {"cancelled", {}, "", {}, ""},
      {"one file: its noise report", {a}, "tarnview-report-20261206-140509.html", {"<svg"}, ""},
      {"two files", {a, b}, "tarnview-comparison-20261206-140509.html", {nameA, nameB, "<svg"}, ""},
      {"one that is gone, one that is no data file", {a, "/d/gone.csv", "/d/report.html", b},
       "tarnview-comparison-20261206-140509.html", {nameA, nameB},
       kRead + "/d/gone.csv: no such file)\n" + kRead + "/d/report.html: "},
      {"none readable", {"/d/gone.csv"}, "", {}, kRead + "/d/gone.csv: no such file)"},
  };
  // clang-format on
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    SweepRig r;
    r.user.paths = {"/d"};
    r.steps({"sweep 2", "recv ", "recv ", "recv "});  // the files to compare
    r.opener.opened.clear();
    r.user.chosen = {row.chosen};
    r.steps({"compare"});
    EXPECT_EQ(r.user.shown.back().title + "|" + r.user.shown.back().filter,
              "ファイルを比較|(CSVファイル) | *.csv");
    EXPECT_TRUE(listed(r.user.told).starts_with(row.told)) << listed(r.user.told);
    EXPECT_EQ(r.user.told.empty(), row.told.empty());
    ASSERT_EQ(r.opener.opened.size(), *row.page ? 1u : 0u);
    if (!*row.page) continue;
    EXPECT_TRUE(r.opener.opened[0].ends_with(row.page)) << r.opener.opened[0];
    for (const std::string& text : row.shows)
      EXPECT_NE(r.files.files[r.opener.opened[0]].find(text), std::string::npos) << text;
  }
}

}  // namespace
}  // namespace tarn
