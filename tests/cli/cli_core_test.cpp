// The command line's figures, data files and arguments on the core.
#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <sstream>

#include "analysis/noise.h"
#include "cli/output.h"
#include "cli/session.h"
#include "common/system_clock.h"
#include "datafile/code_page.h"
#include "datafile/csv_lines.h"
#include "datafile/saved_file.h"

namespace tarn {
namespace {

TEST(CliNoise, CodesGiveExactFigures) {
  // Full scale with one code of noise: the squares outgrow 64 bits, and sums
  // in doubles would lose the deviation of 0.5 to rounding.
  std::vector<int64_t> top;
  for (int i = 0; i < 65535; ++i) top.push_back(0xFFFFFF - i % 2);
  const double sqrt5 = std::sqrt(5.0);
  using std::log2;
  const std::tuple<std::vector<int64_t>, double, double, double, double, double> rows[] = {
      {{8388608, 8388610, 8388612, 8388614}, 8388611, sqrt5, 6, 24 - log2(6), 24 - log2(sqrt5)},
      {{0x123456, 0x123456, 0x123456}, 0x123456, 0, 0, 24, 24},
      {top, 0xFFFFFF - 32767.0 / 65535, std::sqrt(32768.0 * 32767) / 65535, 1, 24, 24}};
  for (const auto& [codes, mean, sd, pp, noiseFree, effective] : rows) {
    const NoiseFigures f = codeNoise(codes);
    EXPECT_TRUE(f.count == static_cast<int64_t>(codes.size()) && f.peakToPeak == pp);
    EXPECT_DOUBLE_EQ(f.mean, mean);
    EXPECT_NEAR(f.sd, sd, 1e-12);
    EXPECT_DOUBLE_EQ(f.noiseFreeBits.value_or(-1), noiseFree);
    EXPECT_DOUBLE_EQ(f.effectiveBits.value_or(-1), effective);
  }
}

TEST(CliDataFile, KnownFilesGiveKnownFigures) {
  const auto saved = [](DataFormat format, std::string_view stream, const char* charset,
                        std::string_view mark = "") {
    Measurement m({format, Channels::Both, 3, 7, "59.52sps", "±2.5V / IntRef / Sinc5+Sinc1",
                   "CH0 / CH1", "CH0=Ain0-Ain1,CH1=Ain2-Ain3"},
                  true);
    m.feed(stream);
    return datafile::readDataFile(std::string(mark) +
                                  *datafile::encodeText(datafile::csvText(m, "-"), charset));
  };
  // The third: UTF-8 from a Windows whose code page holds no Japanese.
  for (const auto& [charset, mark] : {std::pair<const char*, std::string_view>{"UTF-8", ""},
                                      {"CP932", ""},
                                      {"UTF-8", datafile::kUtf8Mark}}) {
    const auto f =
        saved(DataFormat::Binary, "800000000010\r800002000012\r800004000008\r", charset, mark);
    const NoiseFigures ch0 = fieldNoise(f.records, 0, f.settings.format, 1000);
    const NoiseFigures ch1 = fieldNoise(f.records, 1, f.settings.format, 1000);
    EXPECT_EQ(f.settings.boardSettings, "±2.5V / IntRef / Sinc5+Sinc1");
    EXPECT_TRUE(ch0.count == 3 && ch0.mean == 0x800002 && ch1.mean == 14 && ch1.peakToPeak == 10);
    EXPECT_NEAR(ch0.sd, std::sqrt(8.0 / 3), 1e-12);
  }
  // mV data come in the board's unit, µV on the current boards.
  const auto f = saved(DataFormat::Millivolt,
                       "+01000.0+00000.0\r+01002.0-00001.0\r+00998.0+00001.0\r", "UTF-8");
  const NoiseFigures n = fieldNoise(f.records, 0, f.settings.format, 1000);
  EXPECT_TRUE(n.mean == 1.0 && n.peakToPeak == 0.004 && !n.noiseFreeBits);
  // The sweep's table gives them in µV as its page does: 0.004 mV p-p is 4 µV.
  const SweepRun run{{7, 3}, "59.52sps", SweepRun::End::Finished, std::nullopt};
  const std::string row =
      cli::sweepRow(run, analyseNoise(f.settings, f.records, 1000), Channels::Ch0);
  EXPECT_NE(row.find(" 4.000 "), std::string::npos) << row;
}

struct WatchedPort : BytePort {  // records whether anything used it
  void open(const std::string&, const LineSettings&) override { used = true; }
  void close() override {}
  bool isOpen() const override { return used; }
  void purge() override {}
  void write(std::string_view) override { used = true; }
  std::string read() override { return {}; }
  void waitForInput(SteadyTime) override {}
  bool used = false;
};

TEST(CliArguments, UsageErrorsExitTwoAndSendNothing) {
  const std::pair<std::vector<std::string_view>, std::string> rows[] = {
      {{}, "no command"},
      {{"measure"}, "measure needs --count"},
      {{"measure", "--count", "65536"}, "0 to 65535"},
      {{"measure", "--count", "5", "--format", "mv", "--min-bits", "10"}, "binary"},
      {{"--bogus", "check"}, "unknown option '--bogus'"},
      {{"check", "--count", "5"}, "--count does not apply to check"},
      {{"rate", "set", "99sps"}, "no rate of the Pellan2"},
      {{"--model", "quorin2", "measure", "--count", "1", "--rate", "8"}, "0 to 7"},
      {{"--port", "COM17", "check"}, "COM番号は1から16です"},
      {{"sweep", "--count", "5"}, "sweep needs --out DIR"},
      {{"sweep", "--out", "d", "--count", "5", "--seconds", "9"}, "not both"},
      {{"sweep", "--out", "d", "--count", "0"}, "1 to 65535"},
      {{"sweep", "--out", "d", "--seconds", "0"}, "above 0"},
      {{"sweep", "--out", "d", "--rates", "9-12"}, "'12' is no rate of the Pellan2"},
      {{"sweep", "--out", "d", "--rates", "5-2"}, "no range of codes"},
      {{"sweep", "--out", "d", "--rates", "2,,3"}, "an empty item"},
      {{"sweep", "--out", "d", "--rates", "0-3,5sps"}, "code 2 is listed twice"},
      {{"sweep", "--out", "d", "--rate", "5"}, "--rate does not apply to sweep"},
      {{"report", "a.csv", "b.csv", "--out", "r.html", "--max-pp", "9"}, "judge one data file"}};
  SystemClock clock;
  const volatile std::sig_atomic_t never = 0;
  for (const auto& [args, why] : rows) {
    WatchedPort port;
    std::ostringstream out, err;
    cli::Context c{port, clock, out, err, false, never, [](bool) {}};
    EXPECT_EQ(cli::run(args, c), 2) << why;
    const std::string local = *datafile::encodeText(why, datafile::systemCharset());
    EXPECT_NE(err.str().find(local), std::string::npos) << err.str();
    EXPECT_FALSE(port.used) << why;
  }
}

TEST(CliArguments, VersionExitsZeroAndSendsNothing) {
  // Wherever it stands, as --help does; the version is the one the build gave.
  const std::vector<std::string_view> rows[] = {
      {"--version"}, {"--port", "COM17", "--version"}, {"measure", "--version", "--bogus"}};
  SystemClock clock;
  const volatile std::sig_atomic_t never = 0;
  for (const auto& args : rows) {
    WatchedPort port;
    std::ostringstream out, err;
    cli::Context c{port, clock, out, err, false, never, [](bool) {}};
    EXPECT_EQ(cli::run(args, c), 0) << args.size();
    EXPECT_EQ(out.str(), "tarnview-cli " TARNVIEW_VERSION "\n");
    EXPECT_EQ(err.str(), "");
    EXPECT_FALSE(port.used) << args.size();
  }
}

}  // namespace
}  // namespace tarn
