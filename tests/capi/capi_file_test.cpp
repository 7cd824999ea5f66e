// libtarnview without a board, on every system (the Windows DLL under wine):
// a data file read, saved and analysed; the refusals of bad arguments, files
// and ports; and the header from C.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>

#include "board/board_texts.h"
#include "last_error.h"
#include "tarnview.h"

namespace tarn {
namespace {

// A folder of the test's own, removed at its end.
struct Scratch {
  std::filesystem::path folder =
      std::filesystem::temp_directory_path() /
      ("tarnview_capi_" +
       std::string(testing::UnitTest::GetInstance()->current_test_info()->name()) +
       std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
  Scratch() { std::filesystem::create_directories(folder); }
  ~Scratch() { std::filesystem::remove_all(folder); }
  std::string at(const char* name) const { return (folder / name).string(); }
};

// Rows 2 and 3 are no values: damaged, and short. The file as the window
// writes it, in UTF-8.
constexpr const char* kFile =
    "データ\r\n2026/12/08 9:30:00\r\n設定 : ±2.5V / IntRef / Sinc5+Sinc1\r\n"
    "データレート : 1007sps\r\n測定CH : CH0 / CH1\r\nデータ個数 :  4\r\n"
    "CH0=Ain0-Ain1,CH1=Ain2-Ain3\r\n800000,7FFFFF\r\n12G456,800001\r\n80004,1\r\n"
    "800010,7FFFF0\r\n";

TEST(CApiFile, ReadsSavesAndAnalysesTheWindowsFile) {
  const Scratch scratch;
  const std::string path = scratch.at("run.csv"), again = scratch.at("again.csv");
  std::ofstream(path, std::ios::binary) << kFile;
  tarn_run* run = nullptr;
  ASSERT_EQ(tarn_read(path.c_str(), &run), TARN_OK) << lastError();
  int32_t received = 0, discarded = 0;
  tarn_channels channels{};
  const char* rate = nullptr;
  tarn_run_counts(run, &received, &discarded, nullptr, nullptr);
  tarn_run_settings(run, nullptr, &channels, nullptr, nullptr, &rate, nullptr);
  EXPECT_EQ(received, 2);
  EXPECT_EQ(discarded, 2);
  EXPECT_EQ(channels, TARN_CHANNELS_BOTH);
  EXPECT_STREQ(rate, "1007sps");
  int64_t codes[3] = {};
  size_t written = 0;
  ASSERT_EQ(tarn_run_codes(run, 1, codes, 3, &written), TARN_OK);
  EXPECT_EQ(written, 2u);
  EXPECT_EQ(codes[0], 0x7FFFFF);
  EXPECT_EQ(codes[1], 0x7FFFF0);
  const char* figures = nullptr;
  ASSERT_EQ(tarn_run_figures(run, &figures), TARN_OK);
  EXPECT_NE(std::string(figures).find(R"({"channel":1,"count":2,"mean":8388599.5,)"),
            std::string::npos)
      << figures;
  tarn_run* back = nullptr;
  ASSERT_EQ(tarn_run_save(run, again.c_str()), TARN_OK) << lastError();
  ASSERT_EQ(tarn_read(again.c_str(), &back), TARN_OK) << lastError();
  const char* backFigures = nullptr;
  tarn_run_figures(back, &backFigures);
  EXPECT_STREQ(backFigures, figures);
  const tarn_run* both[] = {run, back};
  EXPECT_EQ(tarn_report(both, 2, scratch.at("compared.html").c_str()), TARN_OK) << lastError();
  EXPECT_GT(std::filesystem::file_size(scratch.at("compared.html")), 1000u);
  tarn_run_free(back);
  tarn_run_free(run);
}

TEST(CApiFile, RefusesBadArgumentsFilesAndPortsWithTheProgramsTexts) {
  const Scratch scratch;
  const std::string notData = scratch.at("not.csv");
  std::ofstream(notData) << "hello\n";
  tarn_run* run = nullptr;
  tarn_board* board = nullptr;
  const struct Row {
    std::function<tarn_status()> call;
    tarn_status wanted;
    std::string message;
  } rows[] = {
      {[&] { return tarn_read(notData.c_str(), &run); }, TARN_ERROR_FILE, "is not a data file"},
      {[&] { return tarn_read(scratch.at("none.csv").c_str(), &run); }, TARN_ERROR_FILE,
       "cannot read"},
      {[&] { return tarn_read(nullptr, &run); }, TARN_ERROR_ARGUMENT, "no path"},
      {[&] { return tarn_board_open("COM17", nullptr, &board); }, TARN_ERROR_ARGUMENT,
       board_texts::kComNumberRange},
      {[&] { return tarn_board_open("COM4", "nosuchboard", &board); }, TARN_ERROR_ARGUMENT,
       "no board model"},
      {[&] { return tarn_board_open(scratch.at("no-port").c_str(), nullptr, &board); },
       TARN_ERROR_PORT, board_texts::kComOpenFailed},
      {[&] {
         return tarn_board_measure(nullptr, 1, TARN_CHANNEL_0, TARN_FORMAT_BINARY, nullptr, nullptr,
                                   &run);
       },
       TARN_ERROR_ARGUMENT, "no board"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(row.call(), row.wanted) << row.message;
    EXPECT_NE(lastError().find(row.message), std::string::npos) << lastError();
    EXPECT_TRUE(run == nullptr && board == nullptr);
  }
  // The message is the last failure's, kept for this thread alone.
  EXPECT_NE(lastError().find("no board"), std::string::npos);
  std::thread([] { EXPECT_EQ(lastError(), ""); }).join();
  // C, on a port that is not there: the failure and its message.
  EXPECT_EQ(c_first_code(scratch.at("no-port").c_str(), 5), -1);
}

// A board on the port TARNVIEW_TEST_PORT names (the Windows DLL under wine,
// where scripts/test links a simulated board to a COM port; elsewhere the
// board's tests are capi_test.cpp's): the values as the file saves them, and
// a stop from another thread, which the port's wait sees within 200 ms.
TEST(CApiBoard, MeasuresSavesAndStopsOnTheTestPort) {
  const char* port = std::getenv("TARNVIEW_TEST_PORT");
  if (!port) GTEST_SKIP() << "no TARNVIEW_TEST_PORT";
  const Scratch scratch;
  tarn_board* b = nullptr;
  ASSERT_EQ(tarn_board_open(port, nullptr, &b), TARN_OK) << lastError();
  int code = -1;
  EXPECT_EQ(tarn_board_set_rate(b, "1007sps", &code), TARN_OK) << lastError();
  EXPECT_EQ(code, 11);
  tarn_run *run = nullptr, *back = nullptr;
  ASSERT_EQ(
      tarn_board_measure(b, 50, TARN_CHANNELS_BOTH, TARN_FORMAT_BINARY, nullptr, nullptr, &run),
      TARN_OK)
      << lastError();
  ASSERT_EQ(tarn_run_save(run, scratch.at("run.csv").c_str()), TARN_OK) << lastError();
  ASSERT_EQ(tarn_read(scratch.at("run.csv").c_str(), &back), TARN_OK) << lastError();
  for (const int channel : {0, 1}) {
    int64_t measured[50] = {}, read[50] = {};
    size_t n = 0, m = 0;
    tarn_run_codes(run, channel, measured, 50, &n);
    tarn_run_codes(back, channel, read, 50, &m);
    EXPECT_TRUE(n == 50 && m == 50 && std::equal(measured, measured + 50, read)) << channel;
  }
  tarn_run_free(back);
  tarn_run_free(run);
  std::thread stopper([b] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    tarn_board_stop(b);
  });
  EXPECT_EQ(tarn_board_measure(b, 0, TARN_CHANNEL_0, TARN_FORMAT_BINARY, nullptr, nullptr, &run),
            TARN_OK);
  stopper.join();
  tarn_end end{};
  tarn_run_counts(run, nullptr, nullptr, &end, nullptr);
  EXPECT_EQ(end, TARN_END_STOPPED);
  tarn_run_free(run);
  tarn_board_close(b);
}

}  // namespace
}  // namespace tarn
