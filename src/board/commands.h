#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "board/link.h"
#include "board/profile.h"

namespace tarn {

// The connection check: "?" must be answered, then "S?" tells the board's
// reference (or input range) and filter.
struct BoardCheck {
  enum class Outcome { Ok, NoAnswer, BadStatus } outcome;
  // With Ok: the settings text, for example "±2.5V / IntRef / Sinc5+Sinc1",
  // and the rates the filter offers, the code of each its position.
  std::string settings;
  std::span<const std::string_view> rates;
  std::string ident;  // the board's answer to "?", as it names itself
};
BoardCheck checkBoard(BoardLink& link, const BoardProfile& board);

// The board's current rate code ("F?"): character 2 of the reply as one
// hexadecimal digit. Nothing when the reply is missing, too short or not a
// hexadecimal digit.
std::optional<int> readRate(BoardLink& link);

// Sets the rate code ("F" and the code's hexadecimal digit); true when the
// board answers "OK".
bool setRate(BoardLink& link, int code);

// The code of `text` in `rates`, the rate list the check loaded; nothing when
// the text names no entry.
std::optional<int> rateCode(std::span<const std::string_view> rates, std::string_view text);

// The rate code `rate` names in a list: a position in it, or one of its texts.
std::optional<int> rateCodeIn(std::span<const std::string_view> rates, std::string_view rate);

}  // namespace tarn
