// tarnview-cli on Windows: the board's check, rate and measurement from a
// console, with the noise figures a test rig decides on.
#include <windows.h>

#include <clocale>
#include <csignal>
#include <iostream>
#include <string_view>
#include <vector>

#include "cli/session.h"
#include "common/system_clock.h"
#include "windows/serial_port.h"

namespace {

volatile std::sig_atomic_t g_interrupted = 0;

// Called on a thread of its own: the measurement sees the flag when its wait
// for input ends, within 200 ms.
BOOL WINAPI onControl(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
  g_interrupted = 1;
  return TRUE;
}

// Ctrl-C and Ctrl-Break stop a measurement; elsewhere they end the program.
void catchInterrupts(bool on) { SetConsoleCtrlHandler(onControl, on ? TRUE : FALSE); }

}  // namespace

int main(int argc, char** argv) {
  // The window's texts follow the user's locale (the decimal point of mV
  // summaries); the program's own figures do not.
  std::setlocale(LC_ALL, "");
  // Progress redraws its line with terminal escapes: it is shown on a console
  // that takes them (Windows 10 and later), never in a file or a pipe.
  const HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
  DWORD mode = 0;
  const bool console = GetConsoleMode(err, &mode);
  const bool progress = console && SetConsoleMode(err, mode | ENABLE_PROCESSED_OUTPUT |
                                                           ENABLE_VIRTUAL_TERMINAL_PROCESSING);
  const std::vector<std::string_view> args(argv + 1, argv + argc);
  tarn::windows::SerialPort port;
  tarn::SystemClock clock;
  tarn::cli::Context context{port,     clock,         std::cout,      std::cerr,
                             progress, g_interrupted, catchInterrupts};
  const int status = tarn::cli::run(args, context);
  std::cout.flush();
  if (console) SetConsoleMode(err, mode);  // as the console was
  return status;
}
