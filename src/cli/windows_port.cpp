#include "cli/windows_port.h"

#include <windows.h>

#include <algorithm>
#include <chrono>

namespace tarn::cli {
namespace {

constexpr DWORD kBufferSize = 65536;

HANDLE handleOf(void* handle) { return static_cast<HANDLE>(handle); }

// "COM4" and "COM12" are ports; "COM" alone or "COM4.txt" are not.
bool isComName(const std::string& device) {
  return device.size() > 3 && device.starts_with("COM") &&
         std::all_of(device.begin() + 3, device.end(), [](char c) { return c >= '0' && c <= '9'; });
}

DWORD millisecondsUntil(SteadyTime deadline) {
  const auto left =
      std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
  return static_cast<DWORD>(std::clamp<int64_t>(left.count(), 0, int64_t{24} * 3600 * 1000));
}

}  // namespace

std::string systemMessage(unsigned long error) {
  wchar_t* text = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string message;
  if (length > 0) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), nullptr, 0,
                                         nullptr, nullptr);
    message.resize(static_cast<size_t>(std::max(size, 0)));
    WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), message.data(), size, nullptr,
                        nullptr);
  }
  LocalFree(text);
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                              message.back() == ' ' || message.back() == '.'))
    message.pop_back();
  return message.empty() ? "error " + std::to_string(error) : message;
}

void WindowsPort::open(const std::string& device, const LineSettings& line) {
  close();
  const std::string path = isComName(device) ? "\\\\.\\" + device : device;
  const HANDLE handle = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE)
    throw PortError(device + ": " + systemMessage(GetLastError()));
  handle_ = handle;
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  if (!GetCommState(handle, &dcb)) fail(device + " is no serial device");
  dcb.BaudRate = static_cast<DWORD>(line.baud);
  dcb.ByteSize = static_cast<BYTE>(line.dataBits);
  dcb.Parity = line.parity == 'E' ? EVENPARITY : line.parity == 'O' ? ODDPARITY : NOPARITY;
  dcb.StopBits = line.stopBits == 2 ? TWOSTOPBITS : ONESTOPBIT;
  dcb.fBinary = TRUE;
  dcb.fParity = line.parity == 'E' || line.parity == 'O';
  dcb.fOutxCtsFlow = dcb.fOutxDsrFlow = dcb.fDsrSensitivity = FALSE;
  dcb.fDtrControl = DTR_CONTROL_ENABLE;
  dcb.fRtsControl = RTS_CONTROL_ENABLE;
  dcb.fOutX = dcb.fInX = dcb.fErrorChar = dcb.fNull = dcb.fAbortOnError = FALSE;
  if (!SetCommState(handle, &dcb))
    fail(device + ": " + line.text() + ": " + systemMessage(GetLastError()));
  SetupComm(handle, kBufferSize, 4096);  // a larger input queue where the driver allows it
  // A write that finds no room for a second is a dead line.
  COMMTIMEOUTS timeouts{MAXDWORD, 0, 0, 0, 1000};
  if (!SetCommTimeouts(handle, &timeouts)) fail(device + ": " + systemMessage(GetLastError()));
  readWait_ = 0;
}

void WindowsPort::close() {
  if (handle_) CloseHandle(handleOf(handle_));
  handle_ = nullptr;
  pending_.clear();
}

void WindowsPort::fail(const std::string& what) {
  close();
  throw PortError(what);
}

void WindowsPort::requireOpen() const {
  if (!handle_) throw PortError("The device is not open");
}

void WindowsPort::setReadWait(unsigned long milliseconds) {
  if (milliseconds == readWait_) return;
  // MAXDWORD, 0, 0: return at once with what is there. MAXDWORD, MAXDWORD, T:
  // the same when something is there, otherwise return with the first
  // character that arrives within T milliseconds.
  COMMTIMEOUTS timeouts{MAXDWORD, milliseconds ? MAXDWORD : 0, milliseconds, 0, 1000};
  if (!SetCommTimeouts(handleOf(handle_), &timeouts))
    fail("the port's time-outs: " + systemMessage(GetLastError()));
  readWait_ = milliseconds;
}

bool WindowsPort::readInto(std::string& to, unsigned long& error) {
  const size_t used = to.size();
  to.resize(used + kBufferSize);
  DWORD n = 0;
  const bool ok = ReadFile(handleOf(handle_), to.data() + used, kBufferSize, &n, nullptr);
  error = ok ? 0 : GetLastError();
  to.resize(used + n);
  return ok;
}

void WindowsPort::purge() {
  requireOpen();
  pending_.clear();
  PurgeComm(handleOf(handle_), PURGE_RXCLEAR);
}

void WindowsPort::write(std::string_view bytes) {
  requireOpen();
  while (!bytes.empty()) {
    DWORD n = 0;
    const DWORD size = static_cast<DWORD>(std::min<size_t>(bytes.size(), kBufferSize));
    if (!WriteFile(handleOf(handle_), bytes.data(), size, &n, nullptr))
      fail("write: " + systemMessage(GetLastError()));
    if (n == 0) fail("write: the device takes nothing");
    bytes.remove_prefix(n);
  }
}

std::string WindowsPort::read() {
  requireOpen();
  std::string got = std::move(pending_);
  pending_.clear();
  setReadWait(0);
  while (true) {
    const size_t before = got.size();
    unsigned long error = 0;
    if (!readInto(got, error)) {
      // Gone: hand over what came before; the next read reports it.
      if (!got.empty()) return got;
      fail("read: " + systemMessage(error));
    }
    if (got.size() - before == kBufferSize) continue;
    // A port whose driver no longer tells its state has gone (an adapter
    // unplugged; the far end of a pseudo-terminal under wine closed).
    DWORD errors = 0;
    if (got.empty() && !ClearCommError(handleOf(handle_), &errors, nullptr))
      fail("the device has gone: " + systemMessage(GetLastError()));
    return got;
  }
}

void WindowsPort::waitForInput(SteadyTime deadline) {
  requireOpen();
  if (!pending_.empty()) return;
  const DWORD wait = millisecondsUntil(deadline);
  if (wait == 0) return;
  setReadWait(wait);
  // A failed read leaves the port as it is: the next read tells.
  unsigned long error = 0;
  readInto(pending_, error);
}

}  // namespace tarn::cli
