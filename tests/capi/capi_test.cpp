// libtarnview through its C interface against the simulated board: each
// failure's status and text, and the sweep. The values against the data
// file's rows and the stops from other threads are the Python package's
// tests (tests/python) and, for the DLL, capi_file_test.cpp's.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
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
      // clang-format off
      {{"--silent"}, false, nullptr, TARN_ERROR_BOARD, std::string(pellan2.noAnswer),
       TARN_END_FINISHED, -1},
      {{"--refuse"}, true, nullptr, TARN_ERROR_BOARD, at::kRefused, TARN_END_FINISHED, -1},
      {{"--unplug-after", "30"}, true, nullptr, TARN_ERROR_PORT, lost, TARN_END_PORT_LOST, 30},
      // Stopped by the progress callback once 20 records came.
      {{"--no-pacing"}, true, [](int32_t n, int32_t, void*) { return n >= 20 ? 1 : 0; }, TARN_OK,
       "", TARN_END_STOPPED, 20},
      // clang-format on
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

// The sweep: a run and a file per rate and the report; a rate the filter
// does not offer is refused before anything is sent. Then the header from C.
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
  EXPECT_GE(c_first_code("COM4", 5), 0);
}

}  // namespace
}  // namespace tarn
