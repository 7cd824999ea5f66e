#include <gtest/gtest.h>

#include "analysis/values.h"
#include "datafile/code_page.h"
#include "datafile/csv_lines.h"
#include "support/fakes.h"

namespace tarn {
using test::fed;
using enum DataFormat;
using enum Channels;
using enum Measurement::State;

TEST(Measurement, CommandsAndCounts) {
  EXPECT_EQ(startCommand(fed(Millivolt, Ch1, "", 65535).settings()) + stopCommand(Millivolt),
            "M1FFFFMX");
  // clang-format off
  const std::pair<const char*, std::optional<int32_t>> counts[] = {
      {"100", 100}, {"0", 0}, {"65535", 65535}, {"65536", {}}, {"-1", {}}, {"12.5", 12},
      {"13.5", 14}, {" 1 2", 12}, {"abc", {}}, {"", {}}, {"  ", {}}, {"1e999", {}}};
  // clang-format on
  for (const auto& [text, count] : counts) EXPECT_EQ(sampleCountOf(text), count) << text;
}

TEST(Measurement, RecordsAreCutTheSameWholeOrInPieces) {
  // `records`: each record's CH0 and CH1 text, "800001/|/7FFFA2|"; `end`: the state.
  constexpr DataFormat B = Binary, M = Millivolt;
  // clang-format off
  const struct { const char* name; DataFormat format; Channels channels; int32_t count;
                 const char *stream, *records; int discarded; Measurement::State end; } cases[] = {
      {"binary CH0", B, Ch0, 3, "800001\r800002\r7FFFA2\r", "800001/|800002/|7FFFA2/|", 0,
       Finished},
      {"binary CH1", B, Ch1, 3, "800001\r800002\r80", "/800001|/800002|", 0, Running},
      {"binary both", B, Both, 2, "800001800002\r7FFFA2000000\r", "800001/800002|7FFFA2/000000|", 0,
       Finished},
      {"mV, LF ends", M, Ch0, 2, "+01234.5\n-00012.0\n", "+01234.5/|-00012.0/|", 0, Finished},
      {"mV both", M, Both, 1, "+01234.5- 0012.0\r", "+01234.5/- 0012.0|", 0, Finished},
      {"past the last", B, Ch0, 1, "800001\r800002\r", "800001/|", 0, Finished},
      {"a dropped character", B, Ch0, 4, "800001\r80002\r800003\r800004\r",
       "800001/|800003/|800004/|", 1, Finished},
      {"an inserted character", B, Ch0, 4, "800001\r8000022\r800003\r800004\r",
       "800001/|800003/|800004/|", 1, Finished},
      {"a garbage record", B, Both, 3, "800001800002\rGARBAGE-LINE-LONG\r800003800004\r",
       "800001/800002|800003/800004|", 1, Finished},
      {"a lost end merges two", B, Ch0, 4, "800001800002\r800003\r800004\r", "800003/|800004/|", 1,
       Running},
      {"a garbage mV record", M, Ch0, 3, "+01234.5\r+0!234.5X\r-00012.0\r", "+01234.5/|-00012.0/|",
       1, Finished},
      {"a damaged value", B, Both, 3, "800001800002\r800003800G04\r800005800006\r",
       "800001/800002|800005/800006|", 1, Finished},
      {"a damaged mV value", M, Ch1, 3, "+01234.5\r+1.0E+12\r-00012.0\r", "/+01234.5|/-00012.0|",
       1, Finished}};
  // clang-format on
  for (const auto& c : cases) {
    Measurement whole = fed(c.format, c.channels, c.stream, c.count);
    Measurement pieces = fed(c.format, c.channels, "", c.count);
    for (const char* ch = c.stream; *ch; ++ch) pieces.feed(std::string_view(ch, 1));
    for (const Measurement* m : {&whole, &pieces}) {
      std::string records;
      for (const SampleRecord& r : m->records()) records += r.field[0] + "/" + r.field[1] + "|";
      EXPECT_EQ(records, c.records) << c.name;
      EXPECT_EQ(m->discarded(), c.discarded) << c.name;
      EXPECT_EQ(m->state(), c.end) << c.name;
    }
  }
}

TEST(Measurement, SampleValuesAndPeakToPeakPerBoard) {
  // Whether the board sends such a text, or it was damaged on the way; either reads the same.
  // clang-format off
  const struct { const char* text; DataFormat format; double value; bool valid = false; } values[] = {
      {"FFFF", Binary, 65535}, {"7fffA2", Binary, 8388514, true}, {"12G456", Binary, 18},
      {"80 00 00", Binary, 8388608}, {"123456789abcdef0FF", Binary, 0x123456789abcdef0p0},
      {"", Binary, 0}, {"- 0012.0", Millivolt, -12, true}, {"+2500000", Millivolt, 2500000, true},
      {"  .5 ", Millivolt, 0.5, true}, {"1.", Millivolt, 1, true}, {"+1.0E+12", Millivolt, 1e12},
      {"+012-4.5", Millivolt, 12}, {"+-1234.5", Millivolt, 0}, {"+01.34.5", Millivolt, 1.34},
      {"+0\t234.5", Millivolt, 234.5}, {"+    .  ", Millivolt, 0}, {"abc", Millivolt, 0}};
  // clang-format on
  for (const auto& c : values) {
    EXPECT_EQ(sampleValue(c.text, c.format), c.value) << c.text;
    EXPECT_EQ(isValueText(c.text, c.format), c.valid) << c.text;
  }
  // clang-format off
  const struct { DataFormat format; Channels channels; const char* stream;
                 test::Per<const char*> text; } cases[] = {
      {Binary, Ch1, "800000\r80017C\r", "CH1[digit pp]= 380"},
      {Binary, Both, "7FFFFF800000\r800010800005\r", "[digit pp] : CH0= 17, CH1= 5"},
      {Millivolt, Ch1, "-0000100\r+0000020\r", {"CH1[mV pp]=0.120", "CH1[mV pp]=1.20"}},
      {Binary, Ch0, "800000\r12G456\r80017C\r", "CH0[digit pp]= 380"},  // damaged: left out
      {Millivolt, Ch0, "+0600000\r", {"CH0[mV pp]=100.000", "CH0[mV pp]=1000.00"}}};
  // clang-format on
  for (const auto& b : test::everyBoard())
    for (const auto& c : cases)
      EXPECT_EQ(peakToPeakText(fed(c.format, c.channels, c.stream), b.board()),
                c.text.of(b.board()))
          << b.board().name;
}

TEST(DataFile, DateAndEncoding) {
  setenv("LC_ALL", "C", 1);  // the short date follows the environment
  EXPECT_EQ(datafile::dateTimeText({2027, 1, 2, 9, 0, 0}),
            datafile::dateTimeText({2027, 1, 2, 0, 0, 0}) + " 9:00:00");
#ifndef _WIN32  // Windows takes the date and the character set from the user's locale alone
  EXPECT_EQ(datafile::dateTimeText({2027, 1, 2, 9, 0, 0}), "01/02/27 9:00:00");
  EXPECT_EQ(datafile::dateTimeText({2026, 12, 6, 0, 0, 0}), "12/06/26");
#endif
  // clang-format off
  const struct { const char *charset, *text; std::optional<std::string> bytes; } cases[] = {
      {"SHIFT_JIS", "±2.5V", "\x81\x7D" "2.5V"}, {"SJIS", "①", "\x87\x40"},
      {"SHIFT_JIS", "CH한1", "CH?1"}, {"CP932", "A😀B", "A?B"}, {"UTF-8", "80\xFF" "01", "80?01"},
      {"NO-SUCH-CHARSET", "A", std::nullopt}};
  // clang-format on
  for (const auto& c : cases) EXPECT_EQ(datafile::encodeText(c.text, c.charset), c.bytes) << c.text;
#ifndef _WIN32
  // The file is written in the user's character set; the test script makes these locales.
  for (const auto& [locale, charset] :
       {std::pair{"ja_JP.SJIS", "SHIFT_JIS"}, {"ja_JP.UTF-8", "UTF-8"}, {"C", "UTF-8"}}) {
    setenv("LC_ALL", locale, 1);
    EXPECT_EQ(datafile::systemCharset(), charset) << locale;
  }
#endif
}

}  // namespace tarn
