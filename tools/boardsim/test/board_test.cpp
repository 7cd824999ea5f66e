#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "board.hpp"
#include "options.hpp"

namespace boardsim {
namespace {

// Runs a stream of `count` records after the given commands and returns the records' text.
std::string Stream(const BoardConfig& config, const std::vector<std::string>& commands, int count) {
  Board board(config);
  for (const auto& command : commands) board.Command(command);
  std::string out;
  for (int i = 0; i < count && board.Streaming(); ++i) board.AppendRecord(out);
  return out;
}

// The microvolt values of a single-channel mV stream.
std::vector<double> Values(const std::string& stream) {
  std::vector<double> values;
  for (size_t pos = 0; pos + 9 <= stream.size(); pos += 9) {
    values.push_back(std::strtod(stream.substr(pos, 8).c_str(), nullptr));
  }
  return values;
}

TEST(Board, RecordPeriodIsTheSlowerOfRateAndLine) {
  const struct {
    Model model;
    char filter;
    const char* rate;
    const char* start;
    double seconds;
  } cases[] = {{Model::kPellan2, '5', "FB", "A20000", 13 * 10 / 115200.0},  // line-bound
               {Model::kPellan2, '5', "FB", "A00000", 1 / 1007.0},
               {Model::kPellan2, '5', "F0", "M20000", 1 / 1.25},
               {Model::kPellan, '3', "FA", "M00000", 1 / 504.0},
               {Model::kQuorin2, '3', "F7", "M20000", 1 / 200.3},
               {Model::kQuorin2, '5', "F7", "M00000", 1 / 200.3},
               {Model::kQuorin2, '5', "F4", "A20000", 1 / 20.01}};
  for (const auto& c : cases) {
    Board board({.model = c.model, .filter = c.filter});
    EXPECT_EQ(board.Command(c.rate).reply, "OK");
    EXPECT_EQ(board.Command(c.start).stream, StreamChange::kStarted);
    EXPECT_NEAR(board.RecordPeriod(), c.seconds, 1e-9) << c.rate << " " << c.start;
  }
}

TEST(Board, SeedDecidesTheNoise) {
  const auto run = [](uint64_t seed) { return Stream({.seed = seed}, {"A20000"}, 50); };
  EXPECT_EQ(run(7), run(7));
  EXPECT_NE(run(7), run(8));
  // The two channels must not share one noise sequence.
  BoardConfig same_offsets{.seed = 7};
  same_offsets.channels[1].offset_mv = same_offsets.channels[0].offset_mv;
  const std::string both = Stream(same_offsets, {"A20000"}, 50);
  EXPECT_NE(both.substr(0, 6), both.substr(6, 6));
}

TEST(Board, NoiseAndSineHaveTheirSettings) {
  const struct {
    ChannelSignal signal;
    double mean_uv, rms_uv, max_uv, min_uv;
    int rising;  // upward zero crossings, -1 when noise makes them meaningless
  } cases[] = {{{.offset_mv = 1.2345, .noise_uv = 10}, 1234.5, 10, 1300, 1170, -1},
               {{.offset_mv = -0.5, .noise_uv = 100}, -500, 100, 0, -1000, -1},
               {{.offset_mv = 0, .sine_mv = 1, .sine_hz = 10, .noise_uv = 0},
                0,
                1000 / std::sqrt(2.0),
                1000,
                -1000,
                50}};
  for (const auto& c : cases) {
    BoardConfig config;
    config.channels[0] = c.signal;
    // 1007 sps over 5 s: 50 whole periods of the sine.
    const auto values = Values(Stream(config, {"FB", "M00000"}, 5035));
    double sum = 0, squares = 0, max = -1e9, min = 1e9;
    int rising = 0;
    for (size_t i = 0; i < values.size(); ++i) {
      const double v = values[i];
      rising += i > 0 && values[i - 1] < 0 && v >= 0;
      sum += v;
      max = std::max(max, v);
      min = std::min(min, v);
    }
    const double mean = sum / values.size();
    for (const double v : values) squares += (v - mean) * (v - mean);
    EXPECT_NEAR(mean, c.mean_uv, c.rms_uv * 0.1);
    EXPECT_NEAR(std::sqrt(squares / values.size()), c.rms_uv, c.rms_uv * 0.05);
    EXPECT_LE(max, c.max_uv + 1);
    EXPECT_GE(min, c.min_uv - 1);
    if (c.rising >= 0) {
      EXPECT_NEAR(rising, c.rising, 1);
    }
  }
}

TEST(Options, BadOnesAreNamed) {
  // The option at fault comes first in each case.
  const std::vector<std::string_view> cases[] = {{"--model", "pellan3"},
                                                 {"--status", "27"},
                                                 {"--status", "0"},
                                                 {"--rate", "C"},
                                                 {"--rate", "8", "--model", "quorin2"},
                                                 {"--rate", "16"},
                                                 {"--rate"},
                                                 {"--refuse", "--model", "pellan"},
                                                 {"--drop-every", "1"},
                                                 {"--unplug-after", "0"},
                                                 {"--noise", "-1"},
                                                 {"--offset0", "nan"},
                                                 {"--offset1", "1e9"},
                                                 {"--sine", "1"},
                                                 {"--seed", "12x"},
                                                 {"--reply-delay", "-5"},
                                                 {"--stray", "\\q"},
                                                 {"--silent=1"},
                                                 {"--bogus"}};
  for (const auto& args : cases) {
    try {
      ParseOptions(args);
      ADD_FAILURE() << args[0] << " accepted";
    } catch (const UsageError& e) {
      const auto name = args[0].substr(0, args[0].find('='));
      EXPECT_NE(std::string(e.what()).find(name), std::string::npos) << e.what();
    }
  }
}

}  // namespace
}  // namespace boardsim
