// tarnview-cli on Windows: the board's check, rate and measurement from a
// console, with the noise figures a test rig decides on.
#include <windows.h>

#include <algorithm>
#include <clocale>
#include <csignal>
#include <iostream>
#include <streambuf>
#include <string>
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

// The length of `utf8` without a character cut off at its end.
size_t wholeCharacters(std::string_view utf8) {
  for (size_t back = 1; back <= std::min<size_t>(3, utf8.size()); ++back) {
    const auto c = static_cast<unsigned char>(utf8[utf8.size() - back]);
    if ((c & 0xC0u) == 0x80u) continue;  // a continuation byte
    const size_t length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
    return length > back ? utf8.size() - back : utf8.size();
  }
  return utf8.size();
}

// While it lives, a stream on a console takes UTF-8 and shows it through
// WriteConsoleW: Japanese shows whatever the console's code page. A stream
// on a file or a pipe is left as it is.
class ConsoleText : public std::streambuf {
 public:
  ConsoleText(std::ostream& stream, DWORD handle)
      : stream_(stream), console_(GetStdHandle(handle)) {
    DWORD mode = 0;
    if (GetConsoleMode(console_, &mode)) previous_ = stream_.rdbuf(this);
  }
  ~ConsoleText() override {
    if (!previous_) return;
    stream_.flush();
    stream_.rdbuf(previous_);
  }
  ConsoleText(const ConsoleText&) = delete;
  ConsoleText& operator=(const ConsoleText&) = delete;
  bool onConsole() const { return previous_ != nullptr; }

 protected:
  int_type overflow(int_type c) override {
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    const char byte = traits_type::to_char_type(c);
    xsputn(&byte, 1);
    return c;
  }
  std::streamsize xsputn(const char* text, std::streamsize size) override {
    pending_.append(text, static_cast<size_t>(size));
    const size_t whole = wholeCharacters(pending_);
    if (whole == 0) return size;
    const int length = static_cast<int>(whole);
    std::wstring wide(whole, L'\0');  // never more UTF-16 units than UTF-8 bytes
    wide.resize(static_cast<size_t>(
        MultiByteToWideChar(CP_UTF8, 0, pending_.data(), length, wide.data(), length)));
    DWORD written = 0;
    WriteConsoleW(console_, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
    pending_.erase(0, whole);
    return size;
  }

 private:
  std::ostream& stream_;
  HANDLE console_;
  std::streambuf* previous_ = nullptr;
  std::string pending_;  // the start of a character whose end is still to come
};

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
  const ConsoleText outText(std::cout, STD_OUTPUT_HANDLE), errText(std::cerr, STD_ERROR_HANDLE);
  tarn::cli::Context context{port,     clock,         std::cout,      std::cerr,
                             progress, g_interrupted, catchInterrupts};
  if (outText.onConsole()) context.outCharset = "UTF-8";
  if (errText.onConsole()) context.errCharset = "UTF-8";
  const int status = tarn::cli::run(args, context);
  std::cout.flush();
  if (console) SetConsoleMode(err, mode);  // as the console was
  return status;
}
