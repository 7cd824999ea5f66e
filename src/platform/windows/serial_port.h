#pragma once

#include <condition_variable>
#include <functional>
#include <future>
#include <mutex>
#include <string>
#include <thread>

#include "common/seams.h"

namespace tarn::windows {

// A serial port through the Windows API, for the command line and the window.
// "COMn" is the port itself, opened as \\.\COMn; any other name is opened as
// given. The DCB carries the line settings, without flow control.
//
// A thread of the port's own waits in ReadFile (overlapped, so that writes
// pass beside it) and keeps what arrives: read() hands it over, and
// waitForInput() wakes as soon as anything is there, so a complete reply
// returns at once and a silent board costs the deadline alone. A port that
// goes away (an adapter unplugged) fails the next read with PortError once
// what it delivered before has been read; failed() tells so at once.
class SerialPort : public BytePort {
 public:
  // `arrived` is called on the reader thread after each arrival and once when
  // the port fails: a window posts itself a message there.
  explicit SerialPort(std::function<void()> arrived = {}) : arrived_(std::move(arrived)) {}
  ~SerialPort() override { close(); }
  SerialPort(const SerialPort&) = delete;
  SerialPort& operator=(const SerialPort&) = delete;

  void open(const std::string& device, const LineSettings& line) override;
  void close() override;
  bool isOpen() const override { return handle_ != nullptr; }
  void purge() override;
  void write(std::string_view bytes) override;
  std::string read() override;
  void waitForInput(SteadyTime deadline) override;
  // The port failed under the program; false again once closed.
  bool failed() const;

 private:
  void requireOpen() const;
  [[noreturn]] void fail(const std::string& what);
  void readLoop(std::promise<void>& reading);
  // Keeps what the reader brought, or its failure, and says so.
  void deliver(std::string_view bytes, const std::string& failure);

  std::function<void()> arrived_;
  void* handle_ = nullptr;  // the HANDLE; null when closed
  void* stop_ = nullptr;    // an event that ends the reader
  std::thread reader_;
  mutable std::mutex mutex_;
  std::condition_variable input_;
  std::string pending_;  // arrived, not yet read
  std::string failure_;  // why the port failed; empty while it works
};

}  // namespace tarn::windows
