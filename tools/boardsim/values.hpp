// Conversion of input voltages to the value texts the board sends.
#pragma once

#include <cstdint>
#include <string>

namespace boardsim {

inline constexpr uint32_t kZeroCode = 0x800000;
inline constexpr uint32_t kMaxCode = 0xFFFFFF;

// The converter's 24-bit offset-binary result for an input voltage, clamped to its range of
// ±full_scale volts.
uint32_t OffsetBinary(double volts, double full_scale);

// The input voltage of a code in microvolts, as the board's firmware works it out for mV data.
double CodeToMicrovolts(uint32_t code, double full_scale);

// Appends the code as six upper-case hexadecimal digits.
void AppendHex6(std::string& out, uint32_t code);

// Appends the eight-character mV-data text of a value in microvolts: "+01234.5" while one decimal
// fits, "+2500000" beyond that, clamped to what eight characters can hold.
void AppendMicrovoltText(std::string& out, double microvolts);

}  // namespace boardsim
