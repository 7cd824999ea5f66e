#include <gtest/gtest.h>

#include "acquisition/sweep.h"
#include "support/fakes.h"

namespace tarn {
namespace {

using namespace std::chrono_literals;

// A port whose cable goes as the line beginning with `failAt` is written.
struct PortFailingAt : test::ScriptedPort {
  using ScriptedPort::ScriptedPort;
  void write(std::string_view bytes) override {
    failing = failing || (!failAt.empty() && bytes.starts_with(failAt));
    ScriptedPort::write(bytes);
  }
  std::string failAt;
};

std::string joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += (text.empty() ? "" : " ") + line;
  return text;
}

// Three rates of the Pellan2 found at code 7, each asking for its own count so
// that each start command differs: 5sps x 3, 20.01sps x 4, 200.3sps x 5.
TEST(Sweep, CommandsFailuresStopsAndTheRateSetBack) {
  enum Act { None, Stop, Lose };
  // `replies`: changes to the board's; `act`: what the front end does once the
  // second run has two records; `lines`: every command sent; `ends` and
  // `received`: each run's.
  // clang-format off
  const struct { const char* name; std::map<std::string, std::vector<std::string>> replies;
                 const char* failAt; Act act; const char *lines, *ends, *received;
                 bool restored; } rows[] = {
      {"every rate", {}, "", None, "F2 A00003 F5 A00004 F9 A00005 F7",
       "finished,finished,finished", "3 4 5", true},
      {"refused at one rate", {{"A00004", {"NG\r"}}}, "", None, "F2 A00003 F5 A00004 F9 A00005 F7",
       "finished,refused,finished", "3 0 5", true},
      {"a rate not taken", {{"F5", {"NG\r"}}}, "", None, "F2 A00003 F5 F9 A00005 F7",
       "finished,rate not set,finished", "3 - 5", true},
      {"a damaged run", {{"A00004", {"80G000\r80G001\r80G002\r80G003\r"}}}, "", None,
       "F2 A00003 F5 A00004 F9 A00005 F7", "finished,no valid record,finished", "3 0 5", true},
      {"a silent start", {{"A00004", {}}}, "", None, "F2 A00003 F5 A00004 AX F9 A00005 F7",
       "finished,silent,finished", "3 0 5", true},
      // The records in flight after the stop must not pass for the rate's answer.
      {"a stop", {{"AX", {"800002\r", "800003\r"}}}, "", Stop, "F2 A00003 F5 A00004 AX F7",
       "finished,stopped,not run", "3 2 -", true},
      {"the port lost at the third rate", {}, "F9", None, "F2 A00003 F5 A00004",
       "finished,finished,port lost", "3 4 -", false},
      {"the port lost in a run", {}, "", Lose, "F2 A00003 F5 A00004",
       "finished,port lost,not run", "3 2 -", false},
      {"the rate not set back", {{"F7", {"NG\r"}}}, "", None, "F2 A00003 F5 A00004 F9 A00005 F7",
       "finished,finished,finished", "3 4 5", false}};
  // clang-format on
  const BoardProfile& board = *boardByKey("pellan2");
  const SweepStep plan[] = {{2, 3}, {5, 4}, {9, 5}};
  for (const auto& row : rows) {
    test::FakeClock clock;
    PortFailingAt port(clock);
    BoardLink link(port, clock);
    link.open("/dev/ttyS3", board.line);
    port.replies = {{"F2", {"OK\r"}},
                    {"F5", {"OK\r"}},
                    {"F9", {"OK\r"}},
                    {"F7", {"OK\r"}},
                    {"A00003", {"800000\r800001\r", "800002\r"}},
                    {"A00004", {"800000\r", "800001\r", "800002\r800003\r"}},
                    {"A00005", {"800000\r800001\r800002\r800003\r800004\r"}}};
    for (const auto& [line, chunks] : row.replies) port.replies[line] = chunks;
    port.failAt = row.failAt;
    Sweep sweep(link, clock, {board, board.ratesSinc5, "±2.5V / IntRef / Sinc5+Sinc1", 7}, plan);
    sweep.start();
    for (int i = 0; i < 100 && sweep.running(); ++i) {
      if (sweep.progress().run == 2 && sweep.progress().done == 2 && row.act != None) {
        row.act == Stop ? sweep.stop() : sweep.portLost();
        break;
      }
      port.waitForInput(clock.now() + 200ms);
      sweep.feed(link.take());
    }
    std::string ends, received;
    for (const SweepRun& run : sweep.runs()) {
      ends += (ends.empty() ? "" : ",") + std::string(endName(run.end));
      received += (received.empty() ? "" : " ") +
                  (run.measurement ? std::to_string(run.measurement->received()) : "-");
    }
    EXPECT_FALSE(sweep.running()) << row.name;
    EXPECT_EQ(sweep.ended(), 3u) << row.name;
    EXPECT_EQ(joined(port.lines), row.lines) << row.name;
    EXPECT_EQ(ends, row.ends) << row.name;
    EXPECT_EQ(received, row.received) << row.name;
    EXPECT_EQ(sweep.rateRestored(), row.restored) << row.name;
    EXPECT_EQ(sweep.portWasLost(), std::string(row.name).find("lost") != std::string::npos)
        << row.name;
  }
}

TEST(Sweep, CountsAndTimes) {
  // A time budget: rate x seconds, from 256 up to 65535 values.
  const std::tuple<double, double, int32_t> counts[] = {
      {1.25, 10, 256}, {20.01, 20, 400}, {100.2, 5.004, 501}, {1007, 65, 65455}, {1007, 66, 65535}};
  for (const auto& [hz, seconds, n] : counts) EXPECT_EQ(sweepCount(hz, seconds), n) << hz;
  // A record's time: its bits on the line, or the rate's period when longer.
  const LineSettings pellan2{115200, 'N', 8, 1}, quorin2{38400, 'N', 8, 1}, odd{9600, 'E', 7, 2};
  const std::tuple<DataFormat, Channels, std::optional<double>, LineSettings, double> records[] = {
      {DataFormat::Binary, Channels::Ch0, 1007, pellan2, 1 / 1007.0},
      {DataFormat::Binary, Channels::Both, 1007, pellan2, 130 / 115200.0},
      {DataFormat::Millivolt, Channels::Both, 200.3, quorin2, 1 / 200.3},
      {DataFormat::Millivolt, Channels::Ch1, {}, odd, 99 / 9600.0}};
  for (const auto& [format, channels, hz, line, seconds] : records)
    EXPECT_DOUBLE_EQ(recordSeconds(format, channels, hz, line), seconds) << line.text();

  // The plan's time before it starts, and how much is left as it runs.
  const BoardProfile& board = *boardByKey("pellan2");
  test::FakeClock clock;
  test::ScriptedPort port(clock);
  BoardLink link(port, clock);
  link.open("/dev/ttyS3", board.line);
  port.replies = {{"F0", {"OK\r"}}, {"A20100", {}}};
  for (int i = 0; i < 100; ++i) port.replies["A20100"].push_back("800000800000\r");
  const SweepStep plan[] = {{0, 256}, {11, 1000}};
  Sweep sweep(link, clock, {board, board.ratesSinc5, "", 7, DataFormat::Binary, Channels::Both},
              plan);
  EXPECT_DOUBLE_EQ(sweep.plannedSeconds(), 256 / 1.25 + 1000 * 130 / 115200.0);
  EXPECT_EQ(sweep.plannedText(), "2 rates, 1256 records, about 0:03:26");
  EXPECT_EQ(sweep.progressText(), "");
  sweep.start();
  while (!port.pending.empty()) sweep.feed(link.take());
  // 156 records at 1.25 sps and 1000 on the line: 124.8 s + 1.13 s.
  EXPECT_EQ(sweep.progressText(), "rate 1/2 1.25sps 100/256 0:02:06 left");
}

}  // namespace
}  // namespace tarn
