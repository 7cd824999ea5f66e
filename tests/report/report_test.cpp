// The noise report: its pictures, its figures and the records it refuses.
#include <gtest/gtest.h>

#include "report/report.h"
#include "support/fakes.h"

namespace tarn {
namespace {

TEST(NoiseReport, DrawsFourPicturesPerChannelAndRefusesNoValues) {
  Measurement m(measurementSettings(DataFormat::Millivolt, Channels::Both, 0, 0, "1007sps",
                                    "±5V / Sinc3", {}),
                false);
  for (int i = 0; i < 65535; ++i) m.feed(i % 3 ? "+00010.0-00002.5\r" : "+00011.0-00002.0\r");
  const std::vector<ChannelAnalysis> a = analyseNoise(m.settings(), m.records(), 100);
  const std::string html = reportHtml({m.settings(), m.received(), "Pellan", "2026/12/08"}, a);
  size_t pictures = 0;
  for (size_t at = html.find("<svg"); at != std::string::npos; at = html.find("<svg", at + 1))
    ++pictures;
  EXPECT_EQ(pictures, 8u);
  EXPECT_LT(html.size(), 2'000'000u) << "the pictures are drawn per pixel column";
  EXPECT_NE(html.find("mV/√Hz"), std::string::npos);
  EXPECT_EQ(html.find("<script"), std::string::npos);
  EXPECT_NE(html.find(">" + fixedNumber(a[1].figures.sd, 4) + "<"), std::string::npos);
  EXPECT_NE(html.find(">" + fixedNumber(a[1].sdCi95->high, 4) + "<"), std::string::npos);
  EXPECT_NE(html.find("assumes independent values"), std::string::npos);
  EXPECT_NE(html.find("CH1 Allan deviation"), std::string::npos);
  EXPECT_THROW(reportHtml({m.settings(), 0, "Pellan", ""}, analyseNoise(m.settings(), {}, 100)),
               ReportError);
}

}  // namespace
}  // namespace tarn
