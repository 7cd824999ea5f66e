#pragma once

#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "acquisition/measurement.h"
#include "board/profile.h"

namespace tarn::cli {

// A command line that asks for something the program cannot do. Found before
// the port is opened, so nothing reaches the board.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

enum class Command { Help, Check, Rate, RateSet, Measure, Stats, Report, Version, Sweep };

struct Options {
  Command command = Command::Help;
  std::string port = "COM4";  // as given
  std::string device;         // what it stands for
  const BoardProfile* board = nullptr;
  // `rate set` and `measure --rate`: a list position or a rate text; empty
  // for none. Its code is known once the check has told the filter.
  std::string rate;
  // sweep --rates: each a list position or a rate text, ranges spelt out;
  // empty for every rate of the filter.
  std::vector<std::string> rates;
  int32_t count = -1;
  std::optional<double> seconds;  // sweep --seconds
  DataFormat format = DataFormat::Binary;
  Channels channels = Channels::Ch0;
  std::string out;     // measure --out, report --out, sweep --out (a folder)
  std::string note;    // sweep --note
  std::string report;  // measure --report
  std::string file;    // stats, report
  bool json = false, quiet = false;
  std::optional<double> maxPp, minBits;
  // report: the data files compared with `file`, in order
  std::vector<std::string> compared;
};

// The options of a command line (the arguments after the program's name).
// Throws UsageError saying what is wrong.
Options parseArguments(std::span<const std::string_view> args);

// The complete --help text.
std::string usageText();

// The --version line: the program's name and version.
std::string versionText();

}  // namespace tarn::cli
