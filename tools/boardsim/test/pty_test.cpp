// The program as a host sees it: its device, its command lines, its stream and its faults.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <csignal>
#include <filesystem>
#include <map>
#include <memory>
#include <random>
#include <regex>

#include "sim_client.hpp"

namespace {

using simclient::Ms;
using simclient::Port;
using simclient::Sim;

const std::string kId = "tarnboard pellan2 sim 1.0\r";
constexpr char kHex[] = "0123456789ABCDEF";

struct Session {
  explicit Session(const std::vector<std::string>& args) : sim(args), port(sim.device()) {}
  Sim sim;
  Port port;
};

// Asks "F?" and returns what came before its reply: proof that nothing else is on its way.
std::string UntilRateReply(Port& port) {
  port.Send("F?");
  std::string got;
  for (std::string line; got.size() < 4096 && !(line = port.ReadLine()).empty(); got += line) {
    if (line.size() == 3 && line[0] == 'F' && line[2] == '\r') return got;
  }
  ADD_FAILURE() << "no reply to F?";
  return got;
}

// Checks the characters of one value field and returns its value in microvolts.
double FieldMicrovolts(const std::string& field) {
  static const std::regex kBinary("[0-9A-F]{6}");
  static const std::regex kMillivolts("[+-]([0-9]{5}\\.[0-9]|[0-9]{7})");
  if (field.size() == 6) {
    EXPECT_TRUE(std::regex_match(field, kBinary)) << field;
    return (static_cast<double>(std::stoul(field, nullptr, 16)) - 0x800000) / 0x800000 * 2.5e6;
  }
  EXPECT_TRUE(std::regex_match(field, kMillivolts)) << field;
  return std::stod(field);
}

const struct {
  std::string model;
  std::string status;
  int rates;
} kBoards[] = {{"pellan2", "05", 12}, {"pellan2", "13", 12}, {"quorin2", "05", 8},
               {"quorin2", "13", 8},  {"pellan", "05", 12},  {"pellan", "13", 12}};

TEST(Tarnboard, StatusAndRateCommands) {
  for (const auto& b : kBoards) {
    SCOPED_TRACE(b.model + " " + b.status);
    Session s({"--model", b.model, "--status", b.status, "--no-pacing"});
    const auto ask = [&](const std::string& line) {
      s.port.Send(line);
      return s.port.ReadLine();
    };
    EXPECT_EQ(ask("?"), "tarnboard " + b.model + " sim 1.0\r");
    EXPECT_EQ(ask("S?"), "S" + b.status + "\r");
    EXPECT_EQ(ask("F?"), "F7\r");
    const char last = kHex[b.rates - 1];
    EXPECT_EQ(ask({'F', last}), "OK\r");
    EXPECT_EQ(ask({'F', kHex[b.rates]}), "NG\r");
    EXPECT_EQ(ask("FB"), b.rates == 12 ? "OK\r" : "NG\r");
    EXPECT_EQ(ask("F?"), std::string({'F', last, '\r'}));
    EXPECT_EQ(ask("F0"), "OK\r");
    EXPECT_EQ(ask("F?"), "F0\r");
  }
}

TEST(Tarnboard, CommandLines) {
  const std::string longest(64, 'x');
  const struct {
    std::string model;
    std::string line;
    std::string reply;
  } cases[] = {{"pellan2", "", ""},
               {"pellan2", "?\n", kId},
               {"pellan2", "\nS?", "S05\r"},
               {"pellan2", "Fb", "NG\r"},
               {"pellan2", "F12", "NG\r"},
               {"pellan2", "s?", "NG\r"},
               {"pellan2", "A3000A", "NG\r"},
               {"pellan2", "A0000", "NG\r"},
               {"pellan2", "A0000a", "NG\r"},
               {"pellan2", "AX", ""},
               {"pellan2", std::string("\0\x01\xff?", 4), "NG\r"},
               {"pellan2", longest, "NG\r"},
               {"pellan2", longest + "x", ""},
               {"pellan", "A3000A", ""},
               {"pellan", "Q", "NG\r"}};
  std::map<std::string, std::unique_ptr<Session>> sessions;
  for (const auto& c : cases) {
    auto& s = sessions[c.model];
    if (!s) s = std::make_unique<Session>(std::vector<std::string>{"--model", c.model});
    s->port.Send(c.line);
    EXPECT_EQ(UntilRateReply(s->port), c.reply) << c.model << " " << testing::PrintToString(c.line);
  }
}

TEST(Tarnboard, SurvivesRandomLines) {
  Session s({"--no-pacing"});
  std::mt19937 random(42);
  for (int i = 0; i < 2000; ++i) {
    std::string line(random() % 100, '\0');
    for (char& c : line) c = static_cast<char>(random() % 256);
    s.port.Send(line);
  }
  s.port.Send("AX");  // in case the noise happened to start a stream
  s.port.Drain();
  s.port.Send("?");
  EXPECT_EQ(s.port.ReadLine(), kId);
}

TEST(Tarnboard, RecordLayouts) {
  const struct {
    std::string start;
    size_t field;
    int channels;  // 0 CH0, 1 CH1, 2 both
  } layouts[] = {{"A0", 6, 0}, {"A1", 6, 1}, {"A2", 6, 2},
                 {"M0", 8, 0}, {"M1", 8, 1}, {"M2", 8, 2}};
  const double offset_uv[] = {1234.5, -500};  // the defaults
  const size_t records = 25;
  for (const auto& b : kBoards) {
    Session s({"--model", b.model, "--status", b.status, "--no-pacing"});
    for (const auto& l : layouts) {
      SCOPED_TRACE(b.model + " " + b.status + " " + l.start);
      const size_t length = (l.channels == 2 ? 2 : 1) * l.field + 1;
      s.port.Send(l.start + "0019");
      const std::string stream = s.port.Read(records * length);
      ASSERT_EQ(stream.size(), records * length);
      for (size_t pos = 0; pos < stream.size(); pos += length) {
        EXPECT_EQ(stream[pos + length - 1], '\r');
        for (size_t f = 0; f * l.field + 1 < length; ++f) {
          const double uv = FieldMicrovolts(stream.substr(pos + f * l.field, l.field));
          EXPECT_NEAR(uv, offset_uv[l.channels == 2 ? f : l.channels], 30);
        }
      }
      EXPECT_EQ(UntilRateReply(s.port), "") << "records beyond the count";
    }
  }
}

TEST(Tarnboard, StopEndsTheStream) {
  const struct {
    std::vector<std::string> args;
    std::string start, stop;
    size_t length, read;
  } cases[] = {
      {{"--no-pacing"}, "A2FFFF", "AX", 13, 100},
      {{"--no-pacing"}, "A0FFFF", "MX", 7, 100},
      {{"--no-pacing"}, "M10000", "AX", 9, 100},
      {{"--no-pacing"}, "M20000", "MX", 17, 70000},  // endless runs past the largest count
      {{"--rate", "b"}, "A20000", "AX", 13, 100},    // paced
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.start);
    Session s(c.args);
    s.port.Send(c.start);
    const std::string stream = s.port.Read(c.read * c.length);
    ASSERT_EQ(stream.size(), c.read * c.length);
    EXPECT_EQ(stream.back(), '\r');
    s.port.Send(c.stop);
    EXPECT_LT(s.port.Drain().size(), 256u * 1024) << "more than the buffers can hold";
    EXPECT_EQ(UntilRateReply(s.port), "");
  }
}

TEST(Tarnboard, Faults) {
  // Flat signals make the records exact: CH0 0 V, CH1 +1 mV.
  const std::vector<std::string> flat = {"--no-pacing", "--offset0", "0", "--offset1",
                                         "1",           "--noise",   "0"};
  const struct {
    std::vector<std::string> args;
    std::string line;
    std::string output;
  } cases[] = {{{}, "A20002", "800000800D1B\r800000800D1B\r"},
               {{"--offset0", "-2600"}, "M20001", "-2500000+00999.9\r"},
               {{"--silent"}, "?", ""},
               {{"--silent"}, "A20002", ""},
               {{"--refuse"}, "A20002", "NG\r"},
               {{"--refuse"}, "F3", "OK\r"},
               {{"--stray", "xy"}, "?", "xy" + kId},
               {{"--stray", "junk\\r"}, "F3", "junk\rOK\r"},
               {{"--drop-every", "5"}, "A00002", "80000\r80000\r"},
               {{"--garbage-every", "2"}, "A00003", "800000\rZZ?!ZZ\r800000\r"},
               {{"--garbage-every", "1"}, "M10001", "ZZ?!ZZ?!\r"}};
  for (const auto& c : cases) {
    auto args = flat;
    args.insert(args.end(), c.args.begin(), c.args.end());
    SCOPED_TRACE(testing::PrintToString(c.args) + " " + c.line);
    Session s(args);
    s.port.Send(c.line);
    const std::string output = s.port.Read(c.output.size());
    EXPECT_EQ(output + s.port.Drain(), c.output);
  }
}

TEST(Tarnboard, DelayAndTrickleShapeTheReplyInTime) {
  Session delayed({"--reply-delay", "400"});
  delayed.port.Send("?");
  EXPECT_EQ(delayed.port.Drain(Ms(50)), "");
  EXPECT_EQ(delayed.port.ReadLine(), kId);

  Session trickled({"--trickle"});
  trickled.port.Send("?");
  EXPECT_EQ(trickled.port.ReadLine(), kId);
  EXPECT_GE(trickled.port.reads(), 10) << "the reply came in too few pieces";
}

TEST(Tarnboard, EndsCleanlyAndRemovesItsLink) {
  namespace fs = std::filesystem;
  const std::string link = testing::TempDir() + "tarnboard_link";
  enum class End { kStdin, kTerm, kInt, kUnplug, kUnplugAtCommand };
  for (const End end : {End::kStdin, End::kTerm, End::kInt, End::kUnplug, End::kUnplugAtCommand}) {
    SCOPED_TRACE(static_cast<int>(end));
    Sim sim({"--no-pacing", "--link", link, "--unplug-after", "3", "--unplug-at-command", "3"});
    ASSERT_EQ(fs::read_symlink(link), sim.device());
    Port port(link);
    port.Send("?");
    EXPECT_EQ(port.ReadLine(), kId);
    if (end == End::kStdin) sim.CloseStdin();
    if (end == End::kTerm) sim.Signal(SIGTERM);
    if (end == End::kInt) sim.Signal(SIGINT);
    if (end == End::kUnplug) {
      port.Send("A0000A");
      EXPECT_EQ(port.Read(100).size(), 21u);
      EXPECT_TRUE(port.closed());
    }
    if (end == End::kUnplugAtCommand) {
      port.Send("");  // no command: does not count
      port.Send("S?");
      EXPECT_EQ(port.ReadLine(), "S05\r");
      port.Send("F?");
      EXPECT_EQ(port.Read(100), "") << "the unplugging command is not answered";
      EXPECT_TRUE(port.closed());
    }
    EXPECT_EQ(sim.Wait(), 0);
    EXPECT_FALSE(fs::exists(fs::symlink_status(link)));
  }
}

TEST(Tarnboard, ClientMayReopenTheDevice) {
  Sim sim({"--no-pacing"});
  for (int session = 0; session < 3; ++session) {
    Port port(sim.device());
    port.Send("?");
    EXPECT_EQ(port.ReadLine(), kId) << session;
  }
}

TEST(Tarnboard, ServesAnExistingDevice) {
  // A pty stands in for the serial adapter; the test is the host on its other side.
  const int host_fd = posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_TRUE(host_fd >= 0 && grantpt(host_fd) == 0 && unlockpt(host_fd) == 0);
  fcntl(host_fd, F_SETFD, FD_CLOEXEC);
  const std::string path = ptsname(host_fd);
  Sim sim({"--device", path, "--no-pacing"});
  EXPECT_EQ(sim.device(), path);
  {
    Port host(host_fd);
    host.Send("?");
    EXPECT_EQ(host.ReadLine(), kId);
    host.Send("A10003");
    EXPECT_EQ(host.Read(21).size(), 21u);
  }
  EXPECT_EQ(sim.Wait(), 1) << "a vanished device must end the program";
}

TEST(Tarnboard, CommandLineErrorsExitWithTwo) {
  const std::vector<std::string> cases[] = {{"--rate", "Z"}, {"--refuse", "--model", "pellan"}};
  for (const auto& args : cases) {
    Sim sim(args);
    EXPECT_EQ(sim.Wait(), 2) << args[0];
    EXPECT_NE(sim.Stderr().find("tarnboard: " + args[0]), std::string::npos) << args[0];
  }
  Sim help({"--help"});
  EXPECT_EQ(help.device(), "Usage: tarnboard [OPTION]...");
  EXPECT_EQ(help.Wait(), 0);
}

}  // namespace
