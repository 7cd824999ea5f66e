#pragma once

#include <csignal>
#include <functional>
#include <iosfwd>
#include <span>
#include <string>
#include <string_view>

#include "common/seams.h"
#include "datafile/code_page.h"

namespace tarn::cli {

// What a run of the program talks to.
struct Context {
  BytePort& port;
  Clock& clock;
  std::ostream& out;
  std::ostream& err;
  bool errIsTerminal;  // progress is shown only on a terminal
  // Set by Ctrl-C while catchInterrupts(true) holds: the measurement stops.
  const volatile std::sig_atomic_t& interrupted;
  std::function<void(bool)> catchInterrupts;
  // The character sets of out's and err's text: the user's, or UTF-8 for a
  // Windows console, which shows any text whatever its code page.
  std::string outCharset = datafile::systemCharset();
  std::string errCharset = datafile::systemCharset();
};

// Runs one command line (the arguments after the program's name) and
// returns the exit status: 0 done, 1 board, port or file failure, 2 usage
// error, 3 a noise limit missed.
int run(std::span<const std::string_view> args, Context& context);

}  // namespace tarn::cli
