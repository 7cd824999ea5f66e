#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <vector>

#include "datafile/code_page.h"
#include "datafile/csv_lines.h"
#include "support/charsets.h"

namespace tarn {
namespace {

TEST(DataFileText, DateTimeIsTheShortDateAndHMmSsOrTheDateAloneAtMidnight) {
  const test::EnvLocale locale("C.UTF-8");
  const struct {
    LocalDateTime t;
    const char* text;
  } cases[] = {
      {{2026, 12, 6, 14, 5, 9}, "12/06/26 14:05:09"}, {{2027, 1, 2, 9, 0, 0}, "01/02/27 9:00:00"},
      {{2026, 12, 6, 0, 0, 0}, "12/06/26"},           {{2026, 12, 6, 0, 0, 1}, "12/06/26 0:00:01"},
      {{2026, 12, 6, 0, 1, 0}, "12/06/26 0:01:00"},
  };
  for (const auto& c : cases) EXPECT_EQ(datafile::dateTimeText(c.t), c.text);
}

// The environment names the charset even where the program's own locale
// differs; a Japanese locale is built for the test when the system can.
TEST(DataFileText, SystemCharsetIsTheEnvironmentsAndUtf8ForTheCLocale) {
  char folder[] = "/tmp/tarnview-locale-XXXXXX";
  ASSERT_TRUE(mkdtemp(folder));
  const std::string build = "localedef --no-warnings=ascii -i ja_JP -f SHIFT_JIS " +
                            std::string(folder) + "/ja_JP.SJIS >/dev/null 2>&1";
  const bool built = std::system(build.c_str()) == 0;
  const struct {
    const char *locale, *path, *charset;
  } cases[] = {{"C", "", "UTF-8"}, {"C.UTF-8", "", "UTF-8"}, {"ja_JP.SJIS", folder, "SHIFT_JIS"}};
  for (const auto& c : cases) {
    if (*c.path && !built) continue;
    const test::EnvLocale locale(c.locale, c.path);
    EXPECT_EQ(datafile::systemCharset(), c.charset) << c.locale;
  }
  std::filesystem::remove_all(folder);
}

TEST(DataFileText, EncodingReplacesEachCharacterTheCharsetCannotHold) {
  const struct {
    const char* charset;
    const char* text;
    std::optional<std::string> bytes;
  } cases[] = {
      {"SHIFT_JIS", "データ", "\x83\x66\x81\x5B\x83\x5E"},
      {"CP932", "±2.5V",
       "\x81\x7D"
       "2.5V"},
      {"SJIS", "①", "\x87\x40"},  // only in code page 932
      {"EUC-JP", "データ", "\xA5\xC7\xA1\xBC\xA5\xBF"},
      {"SHIFT_JIS", "CH한1", "CH?1"},
      {"EUC-JP", "A😀B", "A?B"},
      {"ANSI_X3.4-1968", "データ 1", "??? 1"},
      {"SHIFT_JIS",
       "80\xFF"
       "01",
       "80?01"},
      {"UTF-8", "データ", "データ"},
      {"UTF-8",
       "80\xFF"
       "01",
       "80?01"},
      {"UTF-8",
       "\xE3\x83"
       "A\xC0\xAF",
       "?A?"},                        // a cut-off character, an overlong one
      {"utf8", "\xED\xA0\x80", "?"},  // a surrogate
      {"NO-SUCH-CHARSET", "A", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.charset) + " " + c.text);
    EXPECT_EQ(datafile::encodeText(c.text, c.charset), c.bytes);
  }
}

TEST(DataFileText, HeaderAndRowsSurviveARoundTripThroughJapaneseCodePages) {
  ComboBox combo2;
  for (const char* entry : {"CH0=Ain0-Ain1", "CH1=Ain2-Ain3", "CH0 / CH1"}) combo2.addItem(entry);
  const datafile::Header header{
      "データ",  "2026/12/06 14:05:09", "±2.5V / IntRef / Sinc5+Sinc1",
      "1007sps", "CH0 / CH1",           datafile::columnHeading(2, combo2)};
  const std::vector<SampleRecord> rows{{{"800001", "7FFFA2"}}, {{"+01234.5", "-00012.0"}}};
  const std::string text = datafile::csvText(header, 2, rows);
  for (const char* charset : {"SHIFT_JIS", "CP932", "EUC-JP"}) {
    SCOPED_TRACE(charset);
    const std::optional<std::string> bytes = datafile::encodeText(text, charset);
    ASSERT_TRUE(bytes);
    EXPECT_NE(*bytes, text);
    EXPECT_EQ(test::toUtf8(*bytes, charset), text);
  }
}

}  // namespace
}  // namespace tarn
