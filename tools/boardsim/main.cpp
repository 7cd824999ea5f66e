#include <cstdio>
#include <string_view>
#include <vector>

#include "options.hpp"
#include "server.hpp"

int main(int argc, char** argv) {
  const std::vector<std::string_view> args(argv + 1, argv + argc);
  boardsim::Options options;
  try {
    options = boardsim::ParseOptions(args);
  } catch (const boardsim::UsageError& e) {
    std::fprintf(stderr, "tarnboard: %s\nTry 'tarnboard --help'.\n", e.what());
    return 2;
  }
  if (options.help) {
    std::fputs(boardsim::Usage().c_str(), stdout);
    return 0;
  }
  if (options.version) {
    std::puts("tarnboard " TARNVIEW_VERSION);
    return 0;
  }
  return boardsim::Serve(options);
}
