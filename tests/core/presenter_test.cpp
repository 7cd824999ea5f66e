#include <gtest/gtest.h>

#include "support/fakes.h"

namespace tarn {
using test::Per;
using Lines = std::vector<std::string>;

// Expected texts name things as the board's messages do: "@" is the converter on the current
// boards and the board on the older one, "%" the settings of the status "S05", "$" the line,
// "#" the number of rates of the filter.
static std::string expand(std::string text, const BoardProfile& b) {
  const Per<const char*> who{"AD7172", "Pellan"}, settings{"±2.5V / IntRef / ", "±2.5V / "},
      line{"115200,N,8,1", "38400,N,8,1", "115200,N,8,1"}, rates{"12", "8", "12"};
  for (auto [mark, by] : {std::pair{'@', who}, {'%', settings}, {'$', line}, {'#', rates}})
    for (size_t at; (at = text.find(mark)) != text.npos;) text.replace(at, 1, by.of(b));
  return text;
}

TEST(Presenter, Connection) {
  const Lines toS = {"", "?", "S?"}, all = {"", "?", "S?", "F?"}, none;
  const char *const ok = "COM Ready...|@ OK|データレート読出しました|",
                    *const noAnswer = "COM Ready...|@が応答しませんでした|",
                    *const badStatus = "COM Ready...|@の応答エラーです|";
  const char *const kFailed = "COM Open 失敗 ...|Label1|---/0", *const kBad = "$|???|---/0";
  // `statuses`: every status text shown; `models`: the model can be chosen; `view`: the port
  // status, the board's settings, the rate shown and how many rates there are.
  // clang-format off
  const struct { const char* name; Lines steps; Per<const char*> statuses; Per<Lines> lines;
                 Per<bool> open = true, models = {false, true};
                 Per<const char*> view = "$|%Sinc5+Sinc1|10sps/#"; } cases[] = {
      {"board answers", {}, ok, all},
      {"Sinc3, other setting", {"reply S? S13"}, ok, all, true, {false, true},
       {"$|±2.5V / ExtRef / Sinc3|10sps/#", "$|±5V / Sinc3|10sps/#"}},
      {"no answer", {"reply ?"}, noAnswer, Lines{"", "?"}, true, true, "$|Label1|---/0"},
      {"no answer to S?", {"reply S?"}, noAnswer, toS, true, true, "$|Label1|---/0"},
      {"bad setting", {"reply S? S25"}, badStatus, toS, true, true, kBad},
      {"bad filter", {"reply S? S0x"}, badStatus, toS, true, true, kBad},
      {"rate unreadable", {"reply F? F"}, "COM Ready...|@ OK|@ 応答エラー|", all, true,
       {false, true}, "$|%Sinc5+Sinc1|/#"},
      {"open fails", {"failOpen"}, {"Setting Error|", "Setting Error||"}, none, false, true,
       kFailed},
      {"COM17", {"name COM17"}, {"COM番号は1から16です|", ok}, {none, all}, {false, true}, true,
       {kFailed, "$|%Sinc5+Sinc1|10sps/#"}},
      {"COM99999", {"name COM99999"}, {"COM番号は1から16です|", "Setting Error||"}, none,
       false, true, kFailed},
      {"XYZ", {"name XYZ"}, {"COM 設定エラー|", "COM 設定エラー||"}, none, false, true, kFailed},
      {"disconnect", {"connect", "forget"}, "", Lines{""}, false, true},
      {"cable gone before disconnect", {"connect", "forget", "fail"}, "COMポートが切断されました|",
       none, false, true}};
  // clang-format on
  for (const auto& b : test::everyBoard()) {
    for (const auto& c : cases) {
      const BoardProfile& board = b.board();
      SCOPED_TRACE(std::string(board.name) + ": " + c.name);
      test::Rig r(b);
      r.run(c.steps);
      r.run({"connect"});
      EXPECT_EQ(r.statuses, expand(c.statuses.of(board), board));
      EXPECT_EQ(r.port.lines, c.lines.of(board));
      EXPECT_EQ(r.p.connectButton.caption(), c.open.of(board) ? "閉じる" : "接続確認");
      EXPECT_EQ(r.port.isOpen() ? r.port.line.text() : "",
                expand(c.open.of(board) ? "$" : "", board));
      EXPECT_EQ(r.p.modelOptions[0].enabled(), c.models.of(board));
      EXPECT_EQ(r.p.portStatus.caption() + "|" + r.p.boardSettings.caption() + "|" +
                    r.p.rateList.text() + "/" + std::to_string(r.p.rateList.listCount()),
                expand(c.view.of(board), board));
    }
  }
}

TEST(Presenter, RatesAndMeasurements) {
  auto records = [](int n) {
    std::string s = "recv ";
    while (n--) s += "800000\r";
    return s;
  };
  const Lines started = {"F3", "A00064"}, stopped = {"F3", "A00064", "AX"};
  const std::string kLost = "COMポートが切断されました", kStopped = "測定停止しました",
                    kEnded = kLost + "。測定を中止しました (受信 ",
                    kNotSet = "データレート設定できませんでした";
  const char *const kCom = "/dev/ttyS3", *const kRead = "データレート読出しました",
                    *const kRunning = "測定停止 ---/0", *const kRefused = "測定開始エラー... ";
  // After a connection. `status`: its text and [its tooltip]; `device`: the open port, "" when
  // closed; `rate`: the rate selected; `view`: the measure button, the top scale label and the
  // number of drawings.
  // clang-format off
  const struct { const char* name; Lines steps; Per<std::string> status; Lines lines;
                 const char* device = "/dev/ttyS3"; Per<int> rate = 3;
                 Per<const char*> view = "測定開始 ---/0"; } cases[] = {
      {"read", {"reply F? F5", "read"}, kRead, {"F?"}, kCom, 5},
      {"read in lower case, past the list", {"reply F? Fa", "read"},
       {kRead, "@ 応答エラー", kRead}, {"F?"}, kCom, {10, 3, 10}},
      {"read not hex", {"reply F? FZ", "read"}, "@ 応答エラー", {"F?"}},
      {"read unanswered", {"reply F?", "read"}, "@ 応答エラー", {"F?"}},
      {"read disconnected", {"connect", "read"}, "COM not open...", {""}, ""},
      {"set", {"pick 5", "reply F5 OKAY", "set"}, "データレート設定完了", {"F5"}, kCom, 5},
      {"set refused", {"pick 5", "reply F5 ok", "set"}, kNotSet, {"F5"}, kCom, 5},
      {"typed rate names no entry", {"rate 999sps", "set"}, kNotSet, {}, kCom, -1},
      {"set, cable gone", {"fail", "set"}, kLost, {}, ""},
      {"set disconnected", {"connect", "set"}, "COM not open...", {""}, ""},
      {"start", {"start 100"}, "", started, kCom, 3, kRunning},
      {"count not a number", {"start abc"}, "データ個数が正しくありません", {"F3"}},
      {"start, typed rate names no entry", {"rate 999sps", "start 100"}, kNotSet, {}, kCom, -1},
      {"start, rate refused", {"reply F3 NG", "start 100"}, kNotSet, {"F3"}},
      {"start disconnected", {"connect", "start 100"}, "COM not open...", {""}, ""},
      {"progress", {"start 100", "recv 800001\r800002\r"}, "2/800002", started, kCom, 3, kRunning},
      {"progress of both", {"ch 2", "start 100", "recv 7FFFA280001C\r"}, "1/7FFFA2, 80001C",
       {"F3", "A20064"}, kCom, 3, kRunning},
      {"finish", {"start 3", "recv 800000\r80017C\r800010\r"}, "測定終了... CH0[digit pp]= 380",
       {"F3", "A00003"}, kCom, 3, "測定開始  8389083/1"},
      {"finish mV on both", {"mv", "ch 2", "start 2", "recv +0001000-0000100\r+0005567+0000020\r"},
       {"測定終了... [mV pp] : CH0=4.567, CH1=0.120", "測定終了... [mV pp] : CH0=45.67, CH1=1.20"},
       {"F3", "M20002"}, kCom, 3, "測定開始 6.984/1"},
      {"stop after ten, in the format of the start", {"start 100", records(12), "mv",
       "measure"}, kStopped, stopped, kCom, 3, {"測定開始  8388610/1", "測定開始 ---/0"}},
      {"stop after nine", {"start 100", records(9), "measure"}, kStopped, stopped},
      {"refused", {"start 100", "recv NG\r"}, {kRefused, ""}, started, kCom, 3,
       {"測定開始 ---/0", kRunning}},
      {"refused in pieces", {"start 100", "recv N", "recv G\r"}, {kRefused, ""}, started, kCom, 3,
       {"測定開始 ---/0", kRunning}},
      {"NG after a record", {"start 100", "recv 800001\r", "recv NG\r"}, "1/800001", started, kCom,
       3, kRunning},
      {"cable pulled", {"start 100", records(12), "fail", "recv 80"}, kEnded + "12 個)",
       started, "", 3, {"測定開始  8388610/1", "測定開始 ---/0"}},
      {"port reports loss", {"start 100", records(3), "lost"}, kEnded + "3 個)",
       started, ""},
      {"lost during the stop", {"start 100", "fail", "measure"}, kLost, started, ""},
      {"disconnect stops first", {"start 100", "connect"}, kStopped, {"F3", "A00064", "AX", ""},
       ""},
      {"port change stops first", {"start 100", "port 5"}, kStopped, stopped, "/dev/ttyS5"},
      {"quit stops first", {"start 100", "quit"}, kStopped, stopped, ""},
      {"discarded, summary", {"start 3", "recv 800000\r80017C\r8000010\r"},
       "測定終了... CH0[digit pp]= 380 (不正なレコード 1 個を破棄)", {"F3", "A00003"}, kCom, 3,
       "測定開始  8389083/1"},
      {"discarded, stop", {"start 100", "recv 800000\r8000010\r800001\r", "measure"},
       "測定停止しました (不正なレコード 1 個を破棄)", stopped},
      {"no good record, nothing to save", {"start 1", "recv ABCDEFABCDEF\r", "save"},
       "測定終了... 有効なデータがありません", {"F3", "A00001"}},
      {"endless fills the table", {"start 0", records(66001)},
       "測定終了 (データ個数が上限の66001に達しました)... CH0[digit pp]= 0", {"F3", "A00000", "AX"},
       kCom, 3, "測定開始  8388610/1"},
      {"live trace and time left", {"start 100", records(1), "wait 800", records(1), "wait 800",
       records(1), "tick", "tick"}, "3/800000 [3 / 100, 1.25 sps, 残り 0:01:18]", started, kCom,
       3, "測定停止  8388610/1"},
      {"one record draws nothing", {"start 0", records(1), "tick"}, "1/800000 [1 / 66001]",
       {"F3", "A00000"}, kCom, 3, kRunning},
      {"live, then finish", {"start 3", "recv 800000\r80017C\r", "tick", "recv 800010\r"},
       "測定終了... CH0[digit pp]= 380", {"F3", "A00003"}, kCom, 3, "測定開始  8389083/2"},
      // The damaged value is left out, so the end draws and labels the two good ones.
      {"live, then a damaged mV value", {"mv", "start 3", "recv +0001000\r+0001100\r", "tick",
       "recv +1.0E+12\r"}, {"測定終了... CH0[mV pp]=0.100 (不正なレコード 1 個を破棄)",
       "測定終了... CH0[mV pp]=1.00 (不正なレコード 1 個を破棄)"}, {"F3", "M00003"}, kCom, 3,
       "測定開始 1.125/2"},
      {"live, then stop after nine", {"start 100", records(9), "tick", "measure"}, kStopped,
       stopped, kCom, 3, "測定開始 ---/1"},
      {"live, then stop after ten", {"start 100", records(12), "tick", "measure"}, kStopped,
       stopped, kCom, 3, {"測定開始  8388610/2", "測定開始 ---/1"}},
      {"live, then lost after three", {"start 100", records(3), "tick", "lost"}, kEnded + "3 個)",
       started, "", 3, "測定開始 ---/1"},
      {"a start clears the scale", {"start 3", "recv 800000\r80017C\r800010\r", "start 100"}, "",
       {"F3", "A00003", "F3", "A00064"}, kCom, 3, "測定停止 ---/1"}};
  // clang-format on
  for (const auto& b : test::everyBoard()) {
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(b.board().name) + ": " + c.name);
      test::Rig r(b);
      r.run({"connect", "forget"});
      r.run(c.steps);
      const std::string& tip = r.p.status.toolTip();
      EXPECT_EQ(r.p.status.text() + (tip.empty() ? "" : " [" + tip + "]"),
                expand(c.status.of(b.board()), b.board()));
      EXPECT_EQ(r.port.lines, c.lines);
      EXPECT_EQ(r.port.isOpen() ? r.port.device : "", c.device);
      EXPECT_EQ(r.p.connected(), *c.device != 0);
      EXPECT_EQ(r.p.rateList.listIndex(), c.rate.of(b.board()));
      EXPECT_EQ(r.p.measureButton.caption() + " " + r.p.scaleTop.caption() + "/" +
                    std::to_string(r.plot.draws),
                c.view.of(b.board()));
      EXPECT_TRUE(r.user.shown.empty());
    }
  }
}

TEST(Presenter, SaveFlow) {
  setenv("LC_ALL", "C", 1);  // the file's date and character set follow the environment
  // The file holds the settings captured at the start, whatever the window shows later.
  // clang-format off
  const Lines measure = {"connect", "ch 2", "start 3", "ch 0", "mv",
                         "recv 8000017FFFA2\r8000027FFFA3\r8000037FFFA4\r", "save"};
  // clang-format on
  const std::string kFile =
      "データ\r\n12/06/26 14:05:09\r\n設定 : %Sinc5+Sinc1\r\nデータレート : 10sps\r\n"
      "測定CH : CH0 / CH1\r\nデータ個数 :  3\r\nCH0=Ain0-Ain1,CH1=Ain2-Ain3\r\n"
      "800001,7FFFA2\r\n800002,7FFFA3\r\n800003,7FFFA4\r\n";
  const Lines ask = {"/d/a.csv に上書きしますか？"};
  // `answer`: the path chosen; `yes`: the answer to the question; `full`: writing fails.
  // clang-format off
  const struct { const char* name; std::optional<std::string> answer, after, existing = {};
                 Lines asked = {}; bool yes = false, full = false; Lines told = {}; } cases[] = {
      {"new file", "/d/a.csv", kFile}, {"empty file", "/d/a.csv", kFile, ""},
      {"data kept", "/d/a.csv", "old", "old", ask},
      {"data replaced", "/d/a.csv", kFile, "old", ask, true},
      {"store fails", "/d/a.csv", {}, {}, {}, true, true, {"データファイルを保存出来ませんでした"}},
      {"cancel", {}, {}}, {"empty path", "", {}}};
  // clang-format on
  for (const auto& b : test::everyBoard()) {
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(b.board().name) + ": " + c.name);
      test::Rig r(b);
      if (c.existing) r.files.files["/d/a.csv"] = *c.existing;
      if (c.full) r.files.failing.insert("/d/a.csv");
      r.user.paths = {c.answer, std::nullopt}, r.user.answers = {c.yes};
      r.run(measure);
      r.files.readOnly.insert("/opt/tarnview");
      r.run({"save"});  // cancelled
      const auto file = r.files.files.find("/d/a.csv");
      EXPECT_EQ(file == r.files.files.end() ? "none" : file->second,
                expand(c.after.value_or("none"), b.board()));
      EXPECT_EQ(r.user.asked, c.asked);
      EXPECT_EQ(r.user.told, c.told);
      ASSERT_EQ(r.user.shown.size(), 2u);
      const SaveRequest &first = r.user.shown[0], &again = r.user.shown[1];
      EXPECT_EQ(first.title + first.filter + first.folder,
                "データファイル(CSVファイル) | *.csv/opt/tarnview");
      EXPECT_EQ(again.folder + "|" + again.offered, "/home/user|" + c.answer.value_or(""));
    }
  }
}

}  // namespace tarn
