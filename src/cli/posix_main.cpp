// tarnview-cli: the board's check, rate and measurement from a shell, with
// the noise figures a test rig decides on.
#include <fcntl.h>
#include <unistd.h>

#include <clocale>
#include <csignal>
#include <iostream>
#include <string_view>
#include <vector>

#include "cli/session.h"
#include "common/system_clock.h"
#include "posix/serial_port.h"

namespace {

volatile std::sig_atomic_t g_interrupted = 0;
int g_wake = -1;

void onInterrupt(int) {
  g_interrupted = 1;
  const char byte = 0;
  [[maybe_unused]] const ssize_t ignored = write(g_wake, &byte, 1);
}

// Ctrl-C and a polite kill stop a measurement; elsewhere they end the program.
void catchInterrupts(bool on) {
  struct sigaction action {};
  action.sa_handler = on ? onInterrupt : SIG_DFL;
  sigemptyset(&action.sa_mask);
  for (const int signal : {SIGINT, SIGTERM}) sigaction(signal, &action, nullptr);
}

}  // namespace

int main(int argc, char** argv) {
  // The window's texts follow the user's locale (the decimal point of mV
  // summaries); the program's own figures do not.
  std::setlocale(LC_ALL, "");
  int wake[2] = {-1, -1};
  if (pipe2(wake, O_CLOEXEC | O_NONBLOCK) == 0) g_wake = wake[1];
  const std::vector<std::string_view> args(argv + 1, argv + argc);
  tarn::posix::SerialPort port(wake[0]);
  tarn::SystemClock clock;
  tarn::cli::Context context{
      port,          clock,          std::cout, std::cerr, isatty(STDERR_FILENO) == 1,
      g_interrupted, catchInterrupts};
  const int status = tarn::cli::run(args, context);
  std::cout.flush();
  return status;
}
