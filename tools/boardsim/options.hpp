// Command-line options of tarnboard.
#pragma once

#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>

#include "board.hpp"

namespace boardsim {

struct Options {
  BoardConfig board;
  std::string link;    // symlink to the device, removed at exit
  std::string device;  // serve this serial device instead of a new pty
  bool pacing = true;
  int latency_ms = 0;  // 0: no batches
  bool ignore_stdin = false;
  bool exclusive = false;  // one program at a time, as a Windows COM port
  bool help = false;
  bool version = false;
  // Faults of the line, beyond those the board itself produces (see BoardConfig).
  bool silent = false;
  bool trickle = false;
  int reply_delay_ms = 0;
  std::string stray;               // sent before every reply
  uint64_t unplug_after = 0;       // records; 0 = never
  uint64_t unplug_at_command = 0;  // command lines; 0 = never
};

class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Parses the arguments after the program name; throws UsageError with a message naming the
// offending option.
Options ParseOptions(std::span<const std::string_view> args);
std::string Usage();

}  // namespace boardsim
