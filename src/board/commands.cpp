#include "board/commands.h"

#include <charconv>

#include "board/board_texts.h"
#include "common/numbers.h"

namespace tarn {
namespace {

char at(const std::string& text, size_t i) { return i < text.size() ? text[i] : '\0'; }

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

BoardCheck checkBoard(BoardLink& link, const BoardProfile& board) {
  using Outcome = BoardCheck::Outcome;
  const std::optional<std::string> ident = link.exchange("?");
  if (!ident) return {Outcome::NoAnswer, {}, {}, {}};
  const std::optional<std::string> status = link.exchange("S?");
  if (!status) return {Outcome::NoAnswer, {}, {}, {}};
  const char setting = at(*status, 1), filter = at(*status, 2);
  if (setting != '0' && setting != '1') return {Outcome::BadStatus, {}, {}, {}};
  std::string settings(setting == '0' ? board.setting0 : board.setting1);
  if (filter == '3') return {Outcome::Ok, settings + board_texts::kSinc3, board.ratesSinc3, *ident};
  if (filter == '5') return {Outcome::Ok, settings + board_texts::kSinc5, board.ratesSinc5, *ident};
  return {Outcome::BadStatus, {}, {}, {}};
}

std::optional<int> readRate(BoardLink& link) {
  const std::optional<std::string> reply = link.exchange("F?");
  if (!reply || reply->size() < 2) return std::nullopt;
  const int code = hexDigit((*reply)[1]);
  if (code < 0) return std::nullopt;
  return code;
}

bool setRate(BoardLink& link, int code) {
  const std::optional<std::string> reply = link.exchange(std::string("F") + hex16(code).back());
  return reply && reply->starts_with("OK");
}

std::optional<int> rateCode(std::span<const std::string_view> rates, std::string_view text) {
  for (size_t i = 0; i < rates.size(); ++i)
    if (rates[i] == text) return static_cast<int>(i);
  return std::nullopt;
}

std::optional<int> rateCodeIn(std::span<const std::string_view> rates, std::string_view rate) {
  int code = 0;
  const auto [end, ec] = std::from_chars(rate.data(), rate.data() + rate.size(), code);
  if (ec == std::errc() && end == rate.data() + rate.size())
    return code >= 0 && code < static_cast<int>(rates.size()) ? std::optional(code) : std::nullopt;
  return rateCode(rates, rate);
}

}  // namespace tarn
