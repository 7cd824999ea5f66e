#pragma once

// The sweep of every rate from the plot box's menu, against a faulty board: what the window
// shows and keeps. What a row expects is the presenter's, so both windows run it: the Linux
// window (tests/gui) and the Windows window under wine (tests/win32).
#include <algorithm>
#include <cstdio>
#include <functional>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "board/profile.h"
#include "datafile/saved_file.h"

namespace tarn::test {

struct SweepRow {
  const char* name;
  const char* options;  // tarnboard's, a pellan2; scripts/test starts the Windows rows' boards
  const char* count;    // the count box
  bool stop;            // SendB2 clicked once the first rate's first record is in
  std::string status;   // regex: the status line at the end
  std::string told;     // regex: the message after the sweep, "" for none
  std::string ends;     // regex: the report's End of each rate, each followed by a blank
  int kept;             // data files, of the first rates: `count` records each (fewer if stopped)
  bool open;            // the port afterwards; an open one reads the rate the board had before
};

// Commands: ?, S? and F? of the check; F? again, then each rate's F<code> and start, so the
// third rate's start is command 10.
// clang-format off
inline const SweepRow kSweepRows[] = {
  {"every rate",           "--no-pacing --rate 3",              "2",  false, R"(測定終了\.\.\. 12/12 rates)", "", "(finished ){12}", 12, true},
  {"refused at each rate", "--no-pacing --refuse",              "2",  false, R"(測定終了\.\.\. 0/12 rates)", R"(([^\n]+: 測定開始エラー\.\.\. \n?){12})", "(refused ){12}", 0, true},
  {"no valid record",      "--no-pacing --garbage-every 1",     "2",  false, R"(測定終了\.\.\. 0/12 rates)", R"(([^\n]+: 有効なデータがありません\n?){12})", "(no valid record ){12}", 0, true},
  {"lost at the third",    "--no-pacing --unplug-at-command 10", "2",  false, R"(COMポートが切断されました。測定を中止しました \(受信 0 個\))", "", "finished finished port lost (not run ){9}", 2, false},
  {"stopped in the first", "--rate 5",                          "20", true,  R"(測定停止しました \(0/12 rates\))", "", "stopped (not run ){11}", 1, true},
};
// clang-format on

// tarnboard's arguments, for the Linux window's board.
inline std::vector<std::string> wordsOf(const std::string& text) {
  std::vector<std::string> words;
  std::istringstream in(text);
  for (std::string word; in >> word;) words.push_back(word);
  return words;
}

// The first rate's first records in: the moment to stop a row that stops.
inline bool firstRecordsIn(const std::string& status) {
  return std::regex_match(status, std::regex(R"(rate 1/12 \S+ ([1-9]|1\d)/20 .*)"));
}

// What a window showed and kept after a row's sweep.
struct SweepSeen {
  std::string status, connect, measure;  // the status line, Button1's and SendB2's captions
  bool rateBack;                         // the rate box shows the board's rate from before
  std::string told;                      // the message boxes' texts
  std::vector<std::string> names;        // the folder's files
  std::function<std::string(const std::string&)> read;  // one of them by name
};

// The ways `seen` differs from the row.
inline std::vector<std::string> sweepProblems(const SweepRow& row, SweepSeen seen) {
  std::vector<std::string> problems;
  const auto check = [&](bool ok, const std::string& what) {
    if (!ok) problems.push_back(what);
  };
  check(std::regex_match(seen.status, std::regex(row.status)), "status: " + seen.status);
  check(std::regex_match(seen.told, std::regex(row.told)), "told: " + seen.told);
  check(seen.connect == (row.open ? "閉じる" : "接続確認") && seen.measure == "測定開始",
        "buttons: " + seen.connect + ", " + seen.measure);
  check(seen.rateBack, "the rate box does not show the board's rate");
  std::vector<std::string> expected;
  const auto rates = boardByKey("pellan2")->ratesSinc5;
  for (size_t code = 0; code < static_cast<size_t>(row.kept); ++code) {
    char name[64];
    std::snprintf(name, sizeof name, "rate-%02zu-%s.csv", code, std::string(rates[code]).c_str());
    expected.push_back(name);
    try {
      const datafile::SavedFile file = datafile::readDataFile(seen.read(name));
      const size_t n = file.records.size(), count = std::stoul(row.count);
      check(file.settings.rateText == rates[code] && (row.stop ? n > 0 && n < count : n == count),
            std::string(name) + ": " + std::to_string(n) + " records at " + file.settings.rateText);
    } catch (const std::exception& e) {
      check(false, std::string(name) + ": " + e.what());
    }
  }
  expected.push_back("report.html");
  std::sort(seen.names.begin(), seen.names.end());
  std::string names;
  for (const std::string& name : seen.names) names += name + " ";
  check(seen.names == expected, "files: " + names);
  const std::string report = seen.read("report.html");
  const std::regex end(
      R"(</small></td><td rowspan="\d+" class="v">\d+/\d+</td><td rowspan="\d+">([^<]+)</td>)");
  std::string ends;
  for (std::sregex_iterator i(report.begin(), report.end(), end), last; i != last; ++i)
    ends += (*i)[1].str() + " ";
  check(std::regex_match(ends, std::regex(row.ends)), "the report's ends: " + ends);
  return problems;
}

}  // namespace tarn::test
