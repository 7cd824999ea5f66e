// libtarnview through its C interface against the simulated board: the
// values against the data file's rows, and each failure's status and text.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "acquisition/acquisition_texts.h"
#include "board/board_texts.h"
#include "board/profile.h"
#include "last_error.h"
#include "support/board_process.h"
#include "tarnview.h"

namespace tarn {
namespace {

namespace at = acquisition_texts;
// A loaded machine may keep the board from answering within 100 ms: the rows
// wait as long as it takes, but for the silent board's.
const bool kPatient = setenv("TARNVIEW_REPLY_MS", "10000", 1) == 0;

// The rows of a data file after its seven header lines, each a list of
// fields: what the file holds, read without the library.
std::vector<std::vector<std::string>> fileRows(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<std::vector<std::string>> rows;
  int line = 0;
  for (std::string text; std::getline(in, text); ++line) {
    if (line < 7) continue;
    if (!text.empty() && text.back() == '\r') text.pop_back();
    std::vector<std::string>& row = rows.emplace_back();
    std::stringstream fields(text);
    for (std::string field; std::getline(fields, field, ',');) row.push_back(field);
  }
  return rows;
}

struct OwnedRun {
  tarn_run* run = nullptr;
  ~OwnedRun() { tarn_run_free(run); }
  int32_t received() const {
    int32_t n = -1;
    tarn_run_counts(run, &n, nullptr, nullptr, nullptr);
    return n;
  }
  tarn_end end() const {
    tarn_end e{};
    tarn_run_counts(run, nullptr, nullptr, &e, nullptr);
    return e;
  }
};

TEST(CApi, ValuesAreTheDataFilesAndReadBackTheSame) {
  const std::string path = "/tmp/tarnview_capi_" + std::to_string(getpid()) + ".csv";
  const struct Row {
    tarn_channels channels;
    tarn_format format;
  } rows[] = {{TARN_CHANNEL_0, TARN_FORMAT_BINARY},
              {TARN_CHANNELS_BOTH, TARN_FORMAT_BINARY},
              {TARN_CHANNEL_1, TARN_FORMAT_MV},
              {TARN_CHANNELS_BOTH, TARN_FORMAT_MV}};
  for (const Row& row : rows) {
    test::BoardProcess board({"--no-pacing"});
    tarn_board* b = nullptr;
    ASSERT_EQ(tarn_board_open("COM4", "pellan2", &b), TARN_OK) << lastError();
    OwnedRun measured, back;
    ASSERT_EQ(tarn_board_measure(b, 50, row.channels, row.format, nullptr, nullptr, &measured.run),
              TARN_OK)
        << lastError();
    tarn_board_close(b);
    ASSERT_EQ(tarn_run_save(measured.run, path.c_str()), TARN_OK) << lastError();
    ASSERT_EQ(tarn_read(path.c_str(), &back.run), TARN_OK) << lastError();
    const std::vector<std::vector<std::string>> file = fileRows(path);
    ASSERT_EQ(file.size(), 50u);
    const int first = row.channels == TARN_CHANNEL_1 ? 1 : 0;
    for (int channel = first; channel <= (row.channels == TARN_CHANNEL_0 ? 0 : 1); ++channel) {
      const size_t column = static_cast<size_t>(channel - first);
      for (tarn_run* run : {measured.run, back.run}) {
        std::vector<int64_t> codes(60);
        std::vector<double> mv(60);
        size_t n = 0;
        const tarn_status status =
            row.format == TARN_FORMAT_BINARY
                ? tarn_run_codes(run, channel, codes.data(), codes.size(), &n)
                : tarn_run_millivolts(run, channel, mv.data(), mv.size(), &n);
        ASSERT_TRUE(status == TARN_OK && n == 50) << lastError();
        for (size_t i = 0; i < n; ++i)
          ASSERT_EQ(row.format == TARN_FORMAT_BINARY ? static_cast<double>(codes[i]) : mv[i],
                    row.format == TARN_FORMAT_BINARY ? std::stoll(file[i][column], nullptr, 16)
                                                     : std::stod(file[i][column]))
              << "row " << i << " channel " << channel;
      }
    }
    const char *measuredJson = nullptr, *readJson = nullptr;
    tarn_run_figures(measured.run, &measuredJson);
    tarn_run_figures(back.run, &readJson);
    EXPECT_STREQ(measuredJson, readJson);
  }
  std::remove(path.c_str());
}

// Each way a run goes wrong or is cut short: the status, the program's
// message, and what the run kept.
TEST(CApi, FailuresAndStopsGiveTheProgramsTextsAndKeepWhatCame) {
  const BoardProfile& pellan2 = *boardByKey("pellan2");
  const std::string lost = at::kLostDuringMeasurement + std::string("30") + at::kLostCountEnd;
  const struct Row {
    std::vector<std::string> board;
    bool measures;
    tarn_progress progress;
    tarn_status status;
    std::string message;
    tarn_end end;
    int32_t kept;  // -1: no run
  } rows[] = {
      {{"--silent"},
       false,
       nullptr,
       TARN_ERROR_BOARD,
       std::string(pellan2.noAnswer),
       TARN_END_FINISHED,
       -1},
      {{"--refuse"}, true, nullptr, TARN_ERROR_BOARD, at::kRefused, TARN_END_FINISHED, -1},
      {{"--unplug-after", "30"}, true, nullptr, TARN_ERROR_PORT, lost, TARN_END_PORT_LOST, 30},
      // Stopped by the progress callback once 20 records came.
      {{"--no-pacing"},
       true,
       [](int32_t n, int32_t, void*) { return n >= 20 ? 1 : 0; },
       TARN_OK,
       "",
       TARN_END_STOPPED,
       20},
  };
  for (const Row& row : rows) {
    test::BoardProcess board(row.board);
    tarn_board* b = nullptr;
    if (row.status == TARN_ERROR_BOARD && !row.measures) unsetenv("TARNVIEW_REPLY_MS");
    tarn_status status = tarn_board_open("COM4", nullptr, &b);
    setenv("TARNVIEW_REPLY_MS", "10000", 1);  // the others wait as long as it takes
    OwnedRun run;
    if (status == TARN_OK && row.measures)
      status = tarn_board_measure(b, 60000, TARN_CHANNEL_0, TARN_FORMAT_BINARY, row.progress,
                                  nullptr, &run.run);
    EXPECT_EQ(status, row.status) << row.board.front() << ": " << lastError();
    EXPECT_NE(lastError().find(row.message), std::string::npos) << lastError();
    EXPECT_EQ(run.run ? run.received() >= row.kept && run.received() < 60000 : row.kept < 0, true)
        << row.board.front() << " " << (run.run ? run.received() : -1);
    EXPECT_TRUE(!run.run || run.end() == row.end) << run.end();
    tarn_board_close(b);
  }
}

// A stop from another thread ends an endless run at the line's pace; the
// C program's measurement works after it.
TEST(CApi, StopFromAnotherThreadAndTheCHeader) {
  test::BoardProcess board({});
  tarn_board* b = nullptr;
  ASSERT_EQ(tarn_board_open("COM4", nullptr, &b), TARN_OK) << lastError();
  OwnedRun run;
  std::thread stopper([b] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    tarn_board_stop(b);
  });
  EXPECT_EQ(
      tarn_board_measure(b, 0, TARN_CHANNEL_0, TARN_FORMAT_BINARY, nullptr, nullptr, &run.run),
      TARN_OK);
  stopper.join();
  EXPECT_EQ(run.end(), TARN_END_STOPPED);
  EXPECT_GT(run.received(), 0);
  tarn_board_close(b);
  EXPECT_GE(c_first_code("COM4", 5), 0);
}

// The sweep: a run and a file per rate and the report; a rate the filter
// does not offer is refused before anything is sent.
TEST(CApi, SweepSavesEachRateAndItsReport) {
  test::BoardProcess board({"--no-pacing"});
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("tarnview_sweep_" + std::to_string(getpid()));
  std::filesystem::create_directories(folder);
  tarn_board* b = nullptr;
  ASSERT_EQ(tarn_board_open("COM4", nullptr, &b), TARN_OK) << lastError();
  tarn_sweep* sweep = nullptr;
  EXPECT_EQ(tarn_board_sweep(b, "2,10sps", 30, 0, TARN_CHANNEL_1, TARN_FORMAT_MV, folder.c_str(),
                             "shorted", nullptr, nullptr, &sweep),
            TARN_OK)
      << lastError();
  size_t runs = 0;
  const char* report = nullptr;
  tarn_sweep_runs(sweep, &runs, &report);
  EXPECT_EQ(runs, 2u);
  EXPECT_NE(std::string(report).find("report.html"), std::string::npos);
  for (size_t i = 0; i < runs; ++i) {
    const tarn_run* run = nullptr;
    const char *file = nullptr, *end = nullptr;
    tarn_sweep_run(sweep, i, &run, &file, &end);
    int32_t received = 0;
    tarn_run_counts(run, &received, nullptr, nullptr, nullptr);
    EXPECT_TRUE(received == 30 && std::filesystem::file_size(file) > 0) << end << " " << file;
  }
  tarn_sweep_free(sweep);
  EXPECT_EQ(tarn_board_sweep(b, "7,1000000sps", 30, 0, TARN_CHANNEL_0, TARN_FORMAT_BINARY,
                             folder.c_str(), nullptr, nullptr, nullptr, &sweep),
            TARN_ERROR_ARGUMENT);
  EXPECT_NE(lastError().find("'1000000sps' is not offered"), std::string::npos) << lastError();
  tarn_board_close(b);
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace tarn
