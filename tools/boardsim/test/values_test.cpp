#include <gtest/gtest.h>

#include "values.hpp"

namespace boardsim {
namespace {

TEST(OffsetBinary, CodesAndClamping) {
  const double lsb = kVref / kZeroCode;
  const struct {
    double volts;
    uint32_t code;
  } cases[] = {{0.0, 0x800000},       {lsb, 0x800001},        {-lsb, 0x7FFFFF},
               {kVref / 2, 0xC00000}, {-kVref / 2, 0x400000}, {kVref - lsb, 0xFFFFFF},
               {kVref, 0xFFFFFF},     {-kVref, 0x000000},     {10.0, 0xFFFFFF},
               {-10.0, 0x000000},     {0.4 * lsb, 0x800000},  {0.6 * lsb, 0x800001}};
  for (const auto& c : cases) EXPECT_EQ(OffsetBinary(c.volts), c.code) << c.volts;
}

TEST(MicrovoltText, AlwaysEightCharacters) {
  const struct {
    double microvolts;
    const char* text;
  } cases[] = {{0.0, "+00000.0"},       {1234.5, "+01234.5"},   {-12.0, "-00012.0"},
               {1234.56, "+01234.6"},   {-1234.54, "-01234.5"}, {-0.04, "+00000.0"},
               {-0.05, "-00000.1"},     {99999.94, "+99999.9"}, {99999.96, "+0100000"},
               {-100000.4, "-0100000"}, {2.5e6, "+2500000"},    {-1234567.0, "-1234567"},
               {9999999.4, "+9999999"}, {1e12, "+9999999"},     {-1e12, "-9999999"}};
  for (const auto& c : cases) {
    std::string text;
    AppendMicrovoltText(text, c.microvolts);
    EXPECT_EQ(text, c.text) << c.microvolts;
  }
}

}  // namespace
}  // namespace boardsim
