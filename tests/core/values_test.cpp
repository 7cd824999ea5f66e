#include <gtest/gtest.h>

#include "common/model.h"
#include "core/sample_data.h"
#include "support/fakes.h"

namespace tarn {
namespace {

using test::Format;

TEST(SampleValue, HexadecimalUnsignedForBinaryDecimalForMv) {
  const struct {
    Format format;
    const char* text;
    double value;
  } cases[] = {
      {Format::Binary, "FFFFFF", 16777215},
      {Format::Binary, "00FFFF", 65535},
      {Format::Binary, "12G456", 18},
      {Format::Binary, "ffff", 65535},
      {Format::Binary, "8000\r7", 32768},
      {Format::Binary, " 8 00000", 8388608},
      {Format::Binary, "+01234", 0},
      {Format::Mv, "+01234.5", 1234.5},
      {Format::Mv, "-0012.50", -12.5},
      {Format::Mv, " +000056", 56},
      {Format::Mv, "00FFFF", 0},
  };
  for (const auto& c : cases) {
    test::FormFixture f;
    (c.format == Format::Binary ? f.form->Option1 : f.form->Option2).setValue(true);
    EXPECT_EQ(f.form->SampleValue(c.text), c.value) << '"' << c.text << '"';
  }
}

TEST(PeakToPeak, GarbledTextsBeyond32BitsDoNotFailTheSummary) {
  test::FormFixture f;
  f.form->Option2.setValue(true);
  f.form->state.SampleCount = 2;
  f.form->state.Samples[0].field[0] = "+9E99xx";
  f.form->state.Samples[1].field[0] = "-1E10yy";
  EXPECT_EQ(f.form->UpdatePeakToPeak(),
            kSolo ? "CH0[mV pp]=42949672.95" : "CH0[mV pp]=4294967.295");
}

TEST(PeakToPeak, ExtremesAndSummaryForEachFormatAndChannelChoice) {
  constexpr double kKept = 777;  // a result the channel choice does not recompute
  const struct {
    Format format;
    int16_t mode;
    const char *ch0, *ch1;
    double max0, min0, max1, min1;
    const char *text, *soloText = nullptr;  // the older board's text where it differs
  } cases[] = {
      {Format::Binary, 0, "000000 000000", "", 0, 0, kKept, kKept, "CH0[digit pp]= 0"},
      {Format::Binary, 0, "7FFFF8 80005C 800000", "", 8388700, 8388600, kKept, kKept,
       "CH0[digit pp]= 100"},
      {Format::Binary, 1, "FFFFFF 000000", "00FFFF 00fffe", kKept, kKept, 65535, 65534,
       "CH1[digit pp]= 1"},
      {Format::Binary, 2, "000100 12G456", "FFFFFE FFFFFF", 256, 18, 16777215, 16777214,
       "[digit pp] : CH0= 238, CH1= 1"},
      {Format::Mv, 0, "+01234.5 +01235.5", "", 1236, 1234, kKept, kKept, "CH0[mV pp]=0.002",
       "CH0[mV pp]=0.02"},
      {Format::Mv, 0, "-0600000 -0700000", "", -500000, -700000, kKept, kKept, "CH0[mV pp]=200.000",
       "CH0[mV pp]=2000.00"},
      {Format::Mv, 1, "", "+0600000 +0700000", kKept, kKept, 700000, 500000, "CH1[mV pp]=200.000",
       "CH1[mV pp]=2000.00"},
      {Format::Mv, 2, "+0001000 +0005567", "-0000060 +0000060", 5567, 1000, 60, -60,
       "[mV pp] : CH0=4.567, CH1=0.120", "[mV pp] : CH0=45.67, CH1=1.20"},
      // Started in binary data, mV data selected before the end: every value is
      // read as mV data.
      {Format::Mv, 0, "000100 000300", "", 300, 100, kKept, kKept, "CH0[mV pp]=0.200",
       "CH0[mV pp]=2.00"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    test::FormFixture f;
    Form1& w = *f.form;
    w.state.Ch0Max = w.state.Ch0Min = w.state.Ch1Max = w.state.Ch1Min = kKept;
    test::loadSamples(w, c.format, c.mode, c.ch0, c.ch1);
    // A record past SampleCount that would change every result.
    w.state.Samples[w.state.SampleCount].field = {"FFFFFF", "-9999999"};
    EXPECT_EQ(w.UpdatePeakToPeak(), kSolo && c.soloText ? c.soloText : c.text);
    EXPECT_EQ(w.state.Ch0Max, c.max0);
    EXPECT_EQ(w.state.Ch0Min, c.min0);
    EXPECT_EQ(w.state.Ch1Max, c.max1);
    EXPECT_EQ(w.state.Ch1Min, c.min1);
  }
}

}  // namespace
}  // namespace tarn
