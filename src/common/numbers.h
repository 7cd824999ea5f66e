#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace tarn {

// A number that does not fit the integer it is converted to.
class OverflowError : public std::range_error {
 public:
  using std::range_error::range_error;
};

// The number a text begins with. Blanks, tabs and line feeds are ignored
// wherever they stand; "." is always the decimal point; "&H" introduces a
// hexadecimal number, unsigned when a closing "&" follows its digits.
// A text that does not begin with a number gives 0.
double TextToNumber(std::string_view text);

// Whether the text begins with a number in that rule, so that its 0 is a
// number read and not a text that holds none.
bool beginsWithNumber(std::string_view text);

// Whether the text is one decimal number and nothing more: blanks (spaces)
// anywhere, a sign before the digits and the point, digits with one decimal
// point at most, at least one digit, no exponent. TextToNumber reads such a
// text whole, so no character of it is left unread.
bool isPlainDecimal(std::string_view text);

// Conversions to 16- and 32-bit integers: nearest, halves to even. A value out
// of range throws OverflowError.
int16_t toInt16(double value);
int32_t toInt32(double value);

// As toInt32, but a value out of range gives the nearest 32-bit value.
int32_t toInt32Clamped(double value);

// Nearest whole number with halves away from zero (the number format "0").
double roundHalfAway(double value);

// " 100", "-25": one leading blank for numbers that are not negative.
std::string digitText(double value);

// The number with exactly `decimals` decimals and at least one digit before the
// separator ("0.000" pattern), halves away from zero. The separator is the
// user's (C locale's LC_NUMERIC) decimal point.
std::string fixedText(double value, int decimals);

// Upper-case hexadecimal text of the value taken as a 16-bit pattern, padded
// with "0" on the left to `width` digits (-1 gives "FFFF").
std::string hex16(int32_t value, int width = 1);

}  // namespace tarn
