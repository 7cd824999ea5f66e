#include "values.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace boardsim {

uint32_t OffsetBinary(double volts, double full_scale) {
  const double code = std::round(kZeroCode * (1.0 + volts / full_scale));
  return static_cast<uint32_t>(std::clamp(code, 0.0, static_cast<double>(kMaxCode)));
}

double CodeToMicrovolts(uint32_t code, double full_scale) {
  return (static_cast<double>(code) - kZeroCode) / kZeroCode * full_scale * 1e6;
}

void AppendHex6(std::string& out, uint32_t code) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  for (int shift = 20; shift >= 0; shift -= 4) out += kDigits[(code >> shift) & 0xF];
}

void AppendMicrovoltText(std::string& out, double microvolts) {
  // Decide the sign from the rounded value so that -0.04 reads "+00000.0", not "-00000.0".
  const double uv = std::clamp(microvolts, -1e7, 1e7);
  const long long tenths = std::llround(uv * 10);
  char text[16];
  if (std::llabs(tenths) <= 999'999) {
    std::snprintf(text, sizeof text, "%c%05lld.%lld", tenths < 0 ? '-' : '+',
                  std::llabs(tenths) / 10, std::llabs(tenths) % 10);
  } else {
    const long long whole = std::min(std::llround(std::fabs(uv)), 9'999'999LL);
    std::snprintf(text, sizeof text, "%c%07lld", uv < 0 ? '-' : '+', whole);
  }
  out += text;
}

}  // namespace boardsim
