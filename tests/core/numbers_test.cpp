#include <gtest/gtest.h>

#include <cmath>

#include "common/errors.h"
#include "common/numbers.h"

namespace tarn {
namespace {

TEST(TextToNumber, ReadsTheNumberATextBeginsWith) {
  const struct {
    const char* text;
    double value;
  } cases[] = {
      {"100", 100},
      {"  42abc", 42},
      {"-17", -17},
      {"+5", 5},
      {"1 2 3", 123},
      {"\t1\n0", 10},
      {"3.25", 3.25},
      {".5", 0.5},
      {"-.5", -0.5},
      {"1.", 1},
      {"1e3", 1000},
      {"2.5E-2", 0.025},
      {"1e", 1},
      {"1e+", 1},
      {"4E 2", 400},
      {"1,5", 1},
      {"", 0},
      {"abc", 0},
      {"-", 0},
      {".", 0},
      {"&H1F", 31},
      {"&h1f", 31},
      {"&HFFFF", -1},
      {"&HFFFF&", 65535},
      {"&H8000", -32768},
      {"&H7FFF", 32767},
      {"&H00FFFF", 65535},
      {"&HFFFFFF", 16777215},
      {"&HFFFFFFFF", -1},
      {"&H12G456&", 18},
      {"&H&", 0},
      {"&Q12", 0},
      {"& H 1 F", 31},
      {"+01234.5", 1234.5},
      {"-00012.0", -12},
      {"65536", 65536},
      {"1.5e400", INFINITY},
      {"1e-400", 0},
  };
  for (const auto& c : cases) EXPECT_EQ(TextToNumber(c.text), c.value) << '"' << c.text << '"';
}

TEST(Rounding, IntegersTakeHalvesToEvenAndRangeCheck) {
  const struct {
    double value;
    int32_t rounded;
  } cases[] = {{12.5, 12}, {13.5, 14},   {-12.5, -12}, {-13.5, -14}, {0.49, 0},
               {2.51, 3},  {100.5, 100}, {101.5, 102}, {-0.5, 0}};
  for (const auto& c : cases) {
    EXPECT_EQ(toInt16(c.value), c.rounded) << c.value;
    EXPECT_EQ(toInt32(c.value), c.rounded) << c.value;
  }
  EXPECT_EQ(toInt16(32767.4), 32767);
  EXPECT_EQ(toInt16(-32768.5), -32768);
  EXPECT_THROW(toInt16(32767.5), OverflowError);
  EXPECT_THROW(toInt16(-32769), OverflowError);
  EXPECT_THROW(toInt16(NAN), OverflowError);
  EXPECT_EQ(toInt32(16777215), 16777215);
  EXPECT_THROW(toInt32(3e9), OverflowError);
}

TEST(Rounding, FormatZeroTakesHalvesAwayFromZero) {
  const double cases[][2] = {{103.5, 104}, {-53.5, -54}, {1.75, 2}, {26.75, 27},
                             {2.5, 3},     {-2.5, -3},   {0.4, 0}};
  for (const auto& c : cases) EXPECT_EQ(roundHalfAway(c[0]), c[1]) << c[0];
}

TEST(NumberTexts, DigitAndFixedTexts) {
  EXPECT_EQ(digitText(100), " 100");
  EXPECT_EQ(digitText(0), " 0");
  EXPECT_EQ(digitText(-25), "-25");
  EXPECT_EQ(digitText(8388500), " 8388500");
  EXPECT_EQ(digitText(1.5), " 1.5");
  EXPECT_EQ(fixedText(4.567, 3), "4.567");
  EXPECT_EQ(fixedText(0.056, 3), "0.056");
  EXPECT_EQ(fixedText(0, 3), "0.000");
  EXPECT_EQ(fixedText(-0.054, 3), "-0.054");
  EXPECT_EQ(fixedText(45.67, 2), "45.67");
  EXPECT_EQ(hex16(10), "A");
  EXPECT_EQ(hex16(-1), "FFFF");
  EXPECT_EQ(hex16(100, 4), "0064");
  EXPECT_EQ(hex16(65535, 4), "FFFF");
  EXPECT_EQ(hex16(0, 4), "0000");
}

}  // namespace
}  // namespace tarn
