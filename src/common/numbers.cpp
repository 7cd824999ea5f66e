#include "common/numbers.h"

#include <algorithm>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <limits>

namespace tarn {
namespace {

// Walks a text skipping blanks, tabs and line feeds, which never end a number.
class Cursor {
 public:
  explicit Cursor(std::string_view text) : text_(text) { skip(); }
  bool done() const { return pos_ >= text_.size(); }
  char peek() const { return done() ? '\0' : text_[pos_]; }
  void next() {
    ++pos_;
    skip();
  }
  bool take(char c) {
    if (peek() != c) return false;
    next();
    return true;
  }

 private:
  void skip() {
    while (pos_ < text_.size() &&
           (text_[pos_] == ' ' || text_[pos_] == '\t' || text_[pos_] == '\n'))
      ++pos_;
  }
  std::string_view text_;
  size_t pos_ = 0;
};

bool isDigit(char c) { return c >= '0' && c <= '9'; }

int hexDigit(char c) {
  if (isDigit(c)) return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

double readHex(Cursor& in) {
  uint64_t value = 0;
  int digits = 0;
  for (int d = hexDigit(in.peek()); d >= 0; d = hexDigit(in.peek())) {
    if (digits < 16) value = value * 16 + static_cast<uint64_t>(d);
    ++digits;
    in.next();
  }
  if (in.take('&')) return static_cast<double>(value);
  // Without the closing "&" the digits are a signed 16-bit pattern when there
  // are at most four of them, otherwise a signed 32-bit one.
  if (digits <= 4) return static_cast<int16_t>(static_cast<uint16_t>(value));
  return static_cast<int32_t>(static_cast<uint32_t>(value));
}

double readDecimal(Cursor& in) {
  std::string number;
  bool negative = false;
  if (in.take('-')) {
    negative = true;
  } else {
    in.take('+');
  }
  bool mantissa = false;
  while (isDigit(in.peek())) {
    number += in.peek();
    mantissa = true;
    in.next();
  }
  if (in.take('.')) {
    number += '.';
    while (isDigit(in.peek())) {
      number += in.peek();
      mantissa = true;
      in.next();
    }
  }
  if (!mantissa) return 0.0;
  if (in.peek() == 'E' || in.peek() == 'e') {
    in.next();
    std::string exponent = "e";
    if (in.peek() == '-' || in.peek() == '+') {
      exponent += in.peek();
      in.next();
    }
    bool any = false;
    while (isDigit(in.peek())) {
      exponent += in.peek();
      any = true;
      in.next();
    }
    if (any) number += exponent;
  }
  double value = 0.0;
  auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), value);
  (void)end;
  if (ec == std::errc::result_out_of_range) {
    // Too large gives infinity, too small gives zero; callers range-check.
    value = number.find("e-") != std::string::npos ? 0.0 : std::numeric_limits<double>::infinity();
  }
  return negative ? -value : value;
}

template <typename Int>
Int toInt(double value) {
  const double rounded = std::nearbyint(value);  // default mode: halves to even
  if (!(rounded >= std::numeric_limits<Int>::min() && rounded <= std::numeric_limits<Int>::max()))
    throw OverflowError("Overflow");
  return static_cast<Int>(rounded);
}

char decimalPoint() {
  const std::lconv* conv = std::localeconv();
  return conv && conv->decimal_point && conv->decimal_point[0] ? conv->decimal_point[0] : '.';
}

}  // namespace

double TextToNumber(std::string_view text) {
  Cursor in(text);
  if (in.peek() == '&') {
    in.next();
    if (in.peek() == 'H' || in.peek() == 'h') {
      in.next();
      return readHex(in);
    }
    return 0.0;
  }
  return readDecimal(in);
}

bool beginsWithNumber(std::string_view text) {
  Cursor in(text);
  if (in.take('&')) return (in.take('H') || in.take('h')) && hexDigit(in.peek()) >= 0;
  if (!in.take('-')) in.take('+');
  if (in.take('.')) return isDigit(in.peek());
  return isDigit(in.peek());
}

bool isPlainDecimal(std::string_view text) {
  bool sign = false, digits = false, point = false;
  for (const char c : text) {
    if (isDigit(c)) {
      digits = true;
    } else if (c == '.' && !point) {
      point = true;
    } else if ((c == '+' || c == '-') && !sign && !digits && !point) {
      sign = true;
    } else if (c != ' ') {
      return false;
    }
  }
  return digits;
}

int16_t toInt16(double value) { return toInt<int16_t>(value); }
int32_t toInt32(double value) { return toInt<int32_t>(value); }

int32_t toInt32Clamped(double value) {
  if (std::isnan(value)) return 0;
  return toInt32(std::clamp(value, double{std::numeric_limits<int32_t>::min()},
                            double{std::numeric_limits<int32_t>::max()}));
}

double roundHalfAway(double value) { return std::round(value); }

std::string digitText(double value) {
  char buf[64];
  if (value == std::trunc(value) && std::fabs(value) < 1e15) {
    std::snprintf(buf, sizeof buf, "%.0f", std::fabs(value));
  } else {
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf - 1, std::fabs(value));
    (void)ec;
    *end = '\0';
  }
  std::string text(1, value < 0 ? '-' : ' ');
  return text += buf;
}

std::string fixedText(double value, int decimals) {
  const double scale = std::pow(10.0, decimals);
  const double rounded = std::round(value * scale) / scale;
  char buf[64];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, rounded == 0 ? 0.0 : rounded,
                                 std::chars_format::fixed, decimals);
  if (ec != std::errc()) return "#";
  std::string text(buf, end);
  if (const auto dot = text.find('.'); dot != std::string::npos) text[dot] = decimalPoint();
  return text;
}

std::string hex16(int32_t value, int width) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "%0*X", width,
                static_cast<unsigned>(static_cast<uint16_t>(value)));
  return buf;
}

}  // namespace tarn
