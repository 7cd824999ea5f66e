#pragma once

#include <span>
#include <string_view>

#include "common/seams.h"

namespace tarn {

// One board model: how to reach it, how its protocol differs, and the texts
// that name it. Adding a board is adding a row to the table in profile.cpp.
struct BoardProfile {
  std::string_view key;      // on the command line and in the simulator: "pellan2"
  std::string_view name;     // "Pellan2"
  std::string_view caption;  // the window's caption while this board is chosen
  LineSettings line;
  // The highest port number the window accepts; 0 for none.
  int highestPort;
  // A start refused by the board is answered "NG" instead of records.
  bool refusesWithNg;
  // A stop keeps what arrived: ten records or more are summed up and drawn.
  bool keepsRecordsOnStop;
  // A failed open also clears the status line, so that only the port status
  // tells of it.
  bool quietOpenFailure;
  // The peak-to-peak summary of mV data shows the spread divided by this
  // number, with this many decimals.
  double mvSummaryDivisor;
  int mvSummaryDecimals;
  // Messages that name the board: the converter on the current boards, the
  // board itself on the older one.
  std::string_view noAnswer, boardOk, badStatus, replyError;
  // Character 2 of the status reply, "0" or "1": the reference on the current
  // boards, the input range on the older one.
  std::string_view setting0, setting1;
  // Character 3: "5" Sinc5+Sinc1, "3" Sinc3, each with its list of rates.
  std::span<const std::string_view> ratesSinc5, ratesSinc3;
};

// The boards of the two-model program, the first one chosen at start-up.
std::span<const BoardProfile> currentBoards();
// The older board of the single-model program.
std::span<const BoardProfile> olderBoards();
// Every board, by its key; nullptr for an unknown key.
const BoardProfile* boardByKey(std::string_view key);

}  // namespace tarn
