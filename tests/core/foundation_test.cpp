#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "board/link.h"
#include "board/port_names.h"
#include "common/numbers.h"
#include "support/fakes.h"

namespace tarn {
using std::chrono::milliseconds;

TEST(Numbers, TextToNumberAndBeginsWithNumber) {
  // clang-format off
  const struct { const char* text; double value; bool begins; } cases[] = {
      {"12.5", 12.5, true}, {" 1 2\t.\n5x", 12.5, true}, {"-3 4", -34, true}, {"+7", 7, true},
      {".5", 0.5, true}, {"-.x", 0, false}, {"&HFFFF", -1, true}, {"&hff", 255, true},
      {"&HFFFF&", 65535, true}, {"&H10000", 65536, true}, {"&HFFFFFFFF", -1, true},
      {"&H80000000&", 2147483648.0, true}, {"& H 7fff", 32767, true}, {"&H", 0, false},
      {"&X1", 0, false}, {"1e3", 1000, true}, {"2.5E-1", 0.25, true}, {"4e", 4, true},
      {"12abc", 12, true}, {"abc", 0, false}, {"", 0, false}, {"-", 0, false},
      {"1e-999", 0, true}, {"1e999", std::numeric_limits<double>::infinity(), true}};
  // clang-format on
  for (const auto& [in, value, begins] : cases)
    EXPECT_EQ(std::pair(TextToNumber(in), beginsWithNumber(in)), std::pair(value, begins)) << in;
}

TEST(Numbers, IntegersRoundHalvesToEvenAndOverflowAndTexts) {
  const auto orNothing = [](auto convert) -> std::optional<decltype(convert())> {
    try {
      return convert();
    } catch (const OverflowError&) {
      return std::nullopt;
    }
  };
  // clang-format off
  const struct { double value; std::optional<int16_t> i16; std::optional<int32_t> i32;
                 int32_t clamped; } cases[] = {
      {2.5, 2, 2, 2}, {32767.5, {}, 32768, 32768}, {-32768.5, -32768, -32768, -32768},
      {std::nan(""), {}, {}, 0}, {2147483647.5, {}, {}, 2147483647}, {-1e12, {}, {}, INT32_MIN}};
  // clang-format on
  for (const auto& c : cases)
    EXPECT_EQ(std::tuple(orNothing([&] { return toInt16(c.value); }),
                         orNothing([&] { return toInt32(c.value); }), toInt32Clamped(c.value)),
              std::tuple(c.i16, c.i32, c.clamped))
        << c.value;
  // clang-format off
  const std::pair<std::string, const char*> texts[] = {
      {digitText(-25), "-25"}, {digitText(2.5), " 2.5"}, {fixedText(-2.5, 0), "-3"},
      {fixedText(-0.0001, 3), "0.000"}, {fixedText(1e300, 3), "#"}, {hex16(0x12345), "2345"}};
  // clang-format on
  for (const auto& [text, expected] : texts) EXPECT_EQ(text, expected);
}

TEST(Board, ReplyEndsAtItsCrAndNoWaitPassesTheDeadline) {
  // `stale`: a late answer to an earlier command; `ms`: how long the exchange took.
  // clang-format off
  const struct { const char* name; std::deque<std::string> stale; std::vector<std::string> chunks;
                 std::optional<std::string> reply; int ms; } cases[] = {
      {"one chunk", {}, {"F3\r"}, "F3", 1}, {"in pieces", {}, {"F", "3", "\rx"}, "F3", 3},
      {"silent board", {}, {}, {}, 100}, {"a CR alone", {}, {"\r"}, {}, 1},
      {"peer that never pauses", {}, std::vector<std::string>(200, "x"), {}, 100},
      {"late answer discarded", {"OK\r"}, {"F3\r"}, "F3", 2},
      {"late answer is no reply", {"OK\r"}, {}, {}, 100}};
  // clang-format on
  for (const auto& c : cases) {
    test::FakeClock clock;
    test::ScriptedPort port(clock);
    BoardLink link(port, clock);
    link.open("/dev/ttyS3", {115200, 'N', 8, 1});
    port.readTime = milliseconds(1), port.pending = c.stale, port.replies["F?"] = c.chunks;
    EXPECT_EQ(link.exchange("F?"), c.reply) << c.name;
    EXPECT_EQ(clock.time, test::FakeClock().time + milliseconds(c.ms)) << c.name;
    EXPECT_EQ(port.lines, std::vector<std::string>{"F?"}) << c.name;
  }
  // A slow link may wait longer, never shorter than the protocol.
  const std::pair<const char*, int> waits[] = {{"300", 300}, {"50", 100},  {"3s", 100},
                                               {"", 100},    {"1e9", 100}, {"999999", 60000}};
  for (const auto& [text, ms] : waits) {
    setenv("TARNVIEW_REPLY_MS", text, 1);
    EXPECT_EQ(BoardLink::replyTime(), milliseconds(ms)) << text;
  }
  unsetenv("TARNVIEW_REPLY_MS");
}

// The limits of each board's window are in the presenter's connection table.
TEST(Board, PortNames) {
  using E = PortNameError;
  setenv("TARNVIEW_COM7", "/dev/pts/9", 1);
#ifdef _WIN32  // the port itself, whatever the environment says
  const char *com12 = "COM12", *com2 = "COM2", *com7 = "COM7", *com16 = "COM16";
#else
  const char *com12 = "/dev/ttyS11", *com2 = "/dev/ttyS1", *com7 = "/dev/pts/9",
             *com16 = "/dev/ttyS15";
#endif
  // clang-format off
  const std::pair<const char*, PortChoice> cases[] = {
      {"COM 1 2", {E::None, com12}}, {"COM2.5", {E::None, com2}}, {"COM7", {E::None, com7}},
      {"COM16", {E::None, com16}}, {"COM17", {E::OutOfRange, ""}}, {"com3", {E::NotACom, ""}},
      {"COM0", {E::Invalid, ""}}, {"COM-1", {E::Invalid, ""}}};
  // clang-format on
  for (const auto& [name, choice] : cases) {
    EXPECT_EQ(choosePort(name, 16).error, choice.error) << name;
    EXPECT_EQ(choosePort(name, 16).device, choice.device) << name;
  }
  unsetenv("TARNVIEW_COM7");
}

}  // namespace tarn
