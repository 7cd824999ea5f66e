#include "windows/serial_port.h"

#include <windows.h>

#include <algorithm>
#include <future>
#include <utility>

#include "windows/text.h"

namespace tarn::windows {
namespace {

constexpr DWORD kBufferSize = 65536;
// What one read takes at most: at 115200 baud a tenth of a second's worth.
constexpr DWORD kBatch = 1024;

HANDLE handleOf(void* handle) { return static_cast<HANDLE>(handle); }

// "COM4" and "COM12" are ports; "COM" alone or "COM4.txt" are not.
bool isComName(const std::string& device) {
  return device.size() > 3 && device.starts_with("COM") &&
         std::all_of(device.begin() + 3, device.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// An overlapped operation's event, closed with it.
struct Overlapped : OVERLAPPED {
  Overlapped() : OVERLAPPED{} { hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr); }
  ~Overlapped() { CloseHandle(hEvent); }
  Overlapped(const Overlapped&) = delete;
  Overlapped& operator=(const Overlapped&) = delete;
};

// One read into `to` (kBatch bytes at most) on `port`, with `done` and its
// event: its length, or -1 when `stop` was set or the port failed (with
// `failure` set).
int readBatch(HANDLE port, HANDLE stop, OVERLAPPED& done, char* to, std::string& failure) {
  ResetEvent(done.hEvent);
  if (!ReadFile(port, to, kBatch, nullptr, &done)) {
    if (GetLastError() != ERROR_IO_PENDING) {
      failure = "read: " + systemMessage(GetLastError());
      return -1;
    }
    const HANDLE events[] = {done.hEvent, stop};
    if (WaitForMultipleObjects(2, events, FALSE, INFINITE) != WAIT_OBJECT_0) {
      CancelIoEx(port, &done);
      DWORD ignored = 0;
      GetOverlappedResult(port, &done, &ignored, TRUE);
      return -1;
    }
  }
  DWORD n = 0;
  if (!GetOverlappedResult(port, &done, &n, FALSE)) {
    failure = "read: " + systemMessage(GetLastError());
    return -1;
  }
  return static_cast<int>(n);
}

}  // namespace

void SerialPort::open(const std::string& device, const LineSettings& line) {
  close();
  const std::wstring path = wide(isComName(device) ? "\\\\.\\" + device : device);
  const HANDLE handle = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
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
  // A read waits for the first character however long that takes, then ends
  // when the line has been quiet for 2 ms or the batch is full: a reply is
  // read at once, a stream in batches. A write that finds no room for a
  // second is a dead line.
  COMMTIMEOUTS timeouts{2, 0, 0, 0, 1000};
  if (!SetCommTimeouts(handle, &timeouts)) fail(device + ": " + systemMessage(GetLastError()));
  stop_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  // The first reply must not wait for a thread to start (under wine that can
  // take a good part of the reply's 100 ms).
  std::promise<void> reading;
  reader_ = std::thread([this, &reading] { readLoop(reading); });
  reading.get_future().wait();
}

void SerialPort::close() {
  if (!handle_) return;
  if (reader_.joinable()) {
    SetEvent(handleOf(stop_));
    reader_.join();
  }
  if (stop_) CloseHandle(handleOf(stop_));
  CloseHandle(handleOf(handle_));
  handle_ = stop_ = nullptr;
  const std::lock_guard lock(mutex_);
  pending_.clear();
  failure_.clear();
}

void SerialPort::fail(const std::string& what) {
  close();
  throw PortError(what);
}

void SerialPort::requireOpen() const {
  if (!handle_) throw PortError("The device is not open");
}

void SerialPort::readLoop(std::promise<void>& reading) {
  std::string buffer(kBatch, '\0');
  std::string failure;
  Overlapped done;  // one event for every read
  const HANDLE port = handleOf(handle_), stop = handleOf(stop_);
  reading.set_value();
  for (int n = 0; (n = readBatch(port, stop, done, buffer.data(), failure)) >= 0;) {
    if (n > 0) {
      deliver(std::string_view(buffer.data(), static_cast<size_t>(n)), {});
      continue;
    }
    // A read that ends with nothing: a port whose driver no longer tells
    // its state has gone (an adapter unplugged).
    DWORD errors = 0;
    if (!ClearCommError(port, &errors, nullptr)) {
      failure = "the device has gone: " + systemMessage(GetLastError());
      break;
    }
  }
  if (!failure.empty()) deliver({}, failure);
}

void SerialPort::deliver(std::string_view bytes, const std::string& failure) {
  {
    const std::lock_guard lock(mutex_);
    pending_.append(bytes);
    failure_ = failure;
  }
  input_.notify_all();
  if (arrived_) arrived_();
}

bool SerialPort::failed() const {
  const std::lock_guard lock(mutex_);
  return !failure_.empty();
}

void SerialPort::purge() {
  requireOpen();
  PurgeComm(handleOf(handle_), PURGE_RXCLEAR);
  const std::lock_guard lock(mutex_);
  pending_.clear();
}

void SerialPort::write(std::string_view bytes) {
  requireOpen();
  const HANDLE port = handleOf(handle_);
  while (!bytes.empty()) {
    Overlapped done;
    DWORD n = 0;
    const DWORD size = static_cast<DWORD>(std::min<size_t>(bytes.size(), kBufferSize));
    if ((!WriteFile(port, bytes.data(), size, nullptr, &done) &&
         GetLastError() != ERROR_IO_PENDING) ||
        !GetOverlappedResult(port, &done, &n, TRUE))
      fail("write: " + systemMessage(GetLastError()));
    if (n == 0) fail("write: the device takes nothing");
    bytes.remove_prefix(n);
  }
}

std::string SerialPort::read() {
  requireOpen();
  const std::lock_guard lock(mutex_);
  // What came before a failure is handed over first; the next read tells.
  if (pending_.empty() && !failure_.empty()) throw PortError(failure_);
  return std::exchange(pending_, {});
}

void SerialPort::waitForInput(SteadyTime deadline) {
  requireOpen();
  std::unique_lock lock(mutex_);
  input_.wait_until(lock, deadline, [this] { return !pending_.empty() || !failure_.empty(); });
}

}  // namespace tarn::windows
