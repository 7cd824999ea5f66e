#pragma once

// The fault table: each board, cable, port and disk fault, and what the window shows for it.
// What a row expects is the presenter's, so both shells run it: the Linux window
// (tests/integration) every row, the Windows windows under wine (tests/win32) the rows marked so.
#include <sstream>
#include <string>
#include <vector>

namespace tarn::test {

enum Model : unsigned { P2 = 1, Q2 = 2, P = 4 };
inline constexpr const char* kKeys[] = {"", "pellan2", "quorin2", "", "pellan"};

// What a row does once the board runs.
enum class Act {
  Connect,       // click 接続確認
  HeldPort,      // ... while another program holds the port; it lets go after
  NoDevice,      // ... on a port with no device behind it
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

struct Row {
  const char* name;
  unsigned models;
  const char* options;  // tarnboard's
  Act act;
  std::string shown;  // regex: the status ("status | settings | rate" for Connect), or the boxes
  bool open;          // the port afterwards
  int kept;           // records kept and saved; -1 where not checked
  bool nextOpen;      // the port after a further click on 接続確認
  bool windows;       // the Windows windows run it too
};

inline const std::string kFinished = R"(測定終了\.\.\. \[digit pp\] : CH0= \d+, CH1= \d+)";
inline const std::string kNoAnswer = R"((AD7172|Pellan)が応答しませんでした \| Label1 \| ---)";
inline const std::string kLost = "COMポートが切断されました", kStopped = "測定停止しました";
inline const std::string kNoOpen = "(Setting Error)?";  // the older board's window clears the line
inline const std::string kNoFolder = R"(.*/(plain|missing)\nDirectory not found\.\n[\s\S]*)";

// The rate read is command 6: ?, S? and F? of the check, then the rate and the
// start. A record that lost a character is discarded, and the rest of it.
using enum Act;
// clang-format off
inline const Row kRows[] = {
  // case                          boards   options                act           shown      open kept next windows
  {"Sinc3 and ExtRef, rate 7",       P2,      "--status 13 --rate 7", Connect, R"(データレート読出しました \| ±2\.5V / ExtRef / Sinc3 \| 59\.98sps)", 1, -1, 0, 0},
  {"Sinc3 and ExtRef, rate 7",       Q2,      "--status 13 --rate 7", Connect, R"(データレート読出しました \| ±2\.5V / ExtRef / Sinc3 \| 200\.3sps)", 1, -1, 0, 0},
  {"Sinc3 and ±5V, rate 7",          P,       "--status 13 --rate 7", Connect, R"(データレート読出しました \| ±5V / Sinc3 \| 59\.98sps)", 1, -1, 0, 0},
  {"binary records",                 P2|Q2|P, "--sine 0.2,5",          Measure,      kFinished,   1, 300, 0, 0},
  {"mV records",                     P2|Q2|P, "--sine 0.2,5",          MeasureMv,    R"(測定終了\.\.\. \[mV pp\] : CH0=[\d.]+, CH1=[\d.]+)", 1, 300, 0, 0},
  {"silent board",                   P2|P,    "--silent",              Connect,      kNoAnswer,   1,  -1, 0, 1},
  {"replies 150 ms late",            P2|P,    "--reply-delay 150",     Connect,      kNoAnswer,   1,  -1, 0, 1},
  {"replies a character at a time",  P2|P,    "--trickle",             Measure,      kFinished,   1, 300, 0, 1},
  {"stray text before replies",      P2|P,    "--stray xy",            Connect,      R"((AD7172|Pellan)の応答エラーです \| \?\?\? \| ---)", 1, -1, 0, 0},
  {"start refused with NG",          P2,      "--refuse",              Measure,      R"(測定開始エラー\.\.\. )", 1, 0, 0, 1},
  {"garbage records, framed",        P2|P,    "--garbage-every 50",    Measure,      kFinished + R"( \(不正なレコード 6 個を破棄\))", 1, 294, 0, 0},
  {"a stream of garbage, framed",    P2|P,    "--garbage-every 1",     Measure,      "測定終了... 有効なデータがありません", 1, 0, 0, 0},
  {"a damaged value now and then",   P2|Q2|P, "--corrupt-every 40",    MeasureMv,    R"(測定終了\.\.\. \[mV pp\] : CH0=[\d.]+, CH1=[\d.]+ \(不正なレコード 7 個を破棄\))", 1, 293, 0, 1},
  {"records in 16 ms batches",       P2|P,    "--latency-ms 16",       Measure,      kFinished,   1, 300, 0, 0},
  {"characters dropped",             P2|P,    "--drop-every 1000",     Measure,      kFinished + R"( \(不正なレコード 3 個を破棄\))", 1, 297, 0, 0},
  {"characters inserted",            P2|P,    "--insert-every 1000",   Measure,      kFinished + R"( \(不正なレコード 3 個を破棄\))", 1, 297, 0, 0},
  {"cable pulled during the check",  P2|P,    "--unplug-at-command 2", Connect,      kLost + ".*", 0, -1, 0, 0},
  {"cable pulled during rate read",  P2|P,    "--unplug-at-command 6", MeasureRead,  kLost,       0, 300, 0, 0},
  {"cable pulled mid-measurement",   P2|P,    "--unplug-after 120",    Measure,      kLost + R"(。測定を中止しました \(受信 120 個\))", 0, 120, 0, 1},
  {"closed mid-measurement",         P2|P,    "",                      Disconnect,   kStopped,    0,  -1, 1, 0},
  {"quit mid-measurement",           P2|P,    "",                      Quit,         kStopped,    0,  -1, 1, 0},
  {"window closed mid-measurement",  P2,      "",                      Close,        kStopped,    0,  -1, 1, 0},
  {"port held by another program",   P2|P,    "",                      HeldPort,     kNoOpen,     0,  -1, 1, 1},
  {"no device behind COM4",          P2|P,    "",                      NoDevice,     kNoOpen,     0,  -1, 0, 1},
  {"save into a file, not a folder", P2,      "",                      SaveInFile,   kNoFolder,   1, 300, 0, 0},
  {"save into a read-only folder",   P2,      "",                      SaveReadOnly, "データファイルを保存出来ませんでした", 1, 300, 0, 0},
  {"save into a missing folder",     P2,      "",                      SaveMissing,  kNoFolder,   1, 300, 0, 0},
  {"save onto a full disk",          P2,      "",                      SaveFullDisk, R"([\s\S]* \| .*/full\.csv に上書きしますか？ \| データファイルを保存出来ませんでした)", 1, 300, 0, 0},
};
// clang-format on

inline bool stopsAStream(const Row& row) { return row.act >= Disconnect && row.act <= Close; }

// A loaded machine may keep the board from answering within the protocol's 100 ms: only the
// rows of a board that is late on purpose keep that deadline (TARNVIEW_REPLY_MS unset).
inline bool keepsTheDeadline(const Row& row) { return row.shown == kNoAnswer; }

// tarnboard's arguments for a row on a model. The board paces its records (1007 a second) only
// where a running stream is stopped or delivered as an adapter does.
inline std::vector<std::string> boardArgs(const Row& row, Model model) {
  const bool paced = stopsAStream(row) || std::string(row.options).starts_with("--latency-ms");
  std::vector<std::string> args{"--model", kKeys[model], paced ? "--rate=B" : "--no-pacing"};
  std::istringstream options(row.options);
  for (std::string option; options >> option;) args.push_back(option);
  return args;
}

}  // namespace tarn::test
