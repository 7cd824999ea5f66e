// TextToNumber against a reference written the other way round: blanks are
// removed first, then the number is matched with a regular expression. The
// direct reading of sample values must give what TextToNumber gives, and the
// value rule must take exactly the texts its expressions match.
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <regex>
#include <string>

#include "analysis/values.h"
#include "common/numbers.h"

namespace {

double reference(std::string text) {
  std::erase_if(text, [](char c) { return c == ' ' || c == '\t' || c == '\n'; });
  static const std::regex hex("^&[Hh]([0-9A-Fa-f]*)(&?)");
  static const std::regex decimal(R"(^([+-]?)(\d*)(?:\.(\d*))?(?:[Ee]([+-]?\d+))?)");
  std::smatch m;
  if (text.rfind('&', 0) == 0) {
    if (!std::regex_search(text, m, hex)) return 0;
    const std::string digits = m[1].str();
    uint64_t value = 0;
    for (size_t i = 0; i < digits.size() && i < 16; ++i)
      value = value * 16 + static_cast<uint64_t>(std::stoi(digits.substr(i, 1), nullptr, 16));
    if (m[2].length()) return static_cast<double>(value);
    if (digits.size() <= 4) return static_cast<int16_t>(value);
    return static_cast<int32_t>(static_cast<uint32_t>(value));
  }
  if (!std::regex_search(text, m, decimal) || (m[2].length() == 0 && m[3].length() == 0)) return 0;
  std::string number =
      (m[2].length() ? m[2].str() : "0") + "." + (m[3].length() ? m[3].str() : "0");
  if (m[4].matched) number += "e" + m[4].str();
  const double value = std::strtod(number.c_str(), nullptr);
  return m[1].str() == "-" ? -value : value;
}

bool same(double a, double b) {
  if (std::isnan(a) || std::isnan(b)) return std::isnan(a) && std::isnan(b);
  if (a == b) return true;
  // Decimal conversion of very long digit strings may differ in the last bit.
  return std::fabs(a - b) <= std::fabs(b) * 1e-15;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 256) return 0;
  const std::string text(reinterpret_cast<const char*>(data), size);
  const double got = tarn::TextToNumber(text);
  const double want = reference(text);
  if (!same(got, want)) std::abort();
  const double mv = tarn::sampleValue(text, tarn::DataFormat::Millivolt);
  if (mv != got && !(std::isnan(mv) && std::isnan(got))) std::abort();
  std::string hex = "&H";
  for (const char c : text) {
    if (c == ' ' || c == '\t' || c == '\n') continue;
    if (!std::isxdigit(static_cast<unsigned char>(c))) break;
    hex += c;
  }
  if (tarn::sampleValue(text, tarn::DataFormat::Binary) != tarn::TextToNumber(hex + "&"))
    std::abort();
  // The value rule the other way round: the whole text matched, for mV data without spaces.
  static const std::regex six("[0-9A-Fa-f]{6}"), decimal(R"([+-]?(\d+\.?\d*|\.\d+))");
  std::string plain = text;
  std::erase(plain, ' ');
  if (tarn::isValueText(text, tarn::DataFormat::Binary) != std::regex_match(text, six) ||
      tarn::isValueText(text, tarn::DataFormat::Millivolt) != std::regex_match(plain, decimal))
    std::abort();
  return 0;
}
