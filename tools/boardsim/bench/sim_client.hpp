// Drives a tarnboard process and its device from the outside, as a host program would.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

namespace simclient {

using Ms = std::chrono::milliseconds;

class Sim {
 public:
  // Starts tarnboard and reads the device path from its first output line.
  explicit Sim(const std::vector<std::string>& args);
  ~Sim();
  Sim(const Sim&) = delete;
  Sim& operator=(const Sim&) = delete;

  const std::string& device() const { return device_; }
  void CloseStdin();
  void Signal(int sig) const;
  // The exit code, 128 + signal when killed, -1 when it has not ended within the timeout.
  int Wait(Ms timeout = Ms(5000));
  std::string Stderr() const;  // once it has ended

 private:
  pid_t pid_ = -1;
  int in_ = -1, out_ = -1, err_ = -1;
  int status_ = -1;
  std::string device_;
};

class Port {
 public:
  explicit Port(const std::string& path);  // opens the device raw; stale input is dropped
  explicit Port(int fd);                   // takes over an open descriptor
  ~Port();
  Port(const Port&) = delete;
  Port& operator=(const Port&) = delete;

  void Send(std::string_view line);  // adds the CR
  // Up to and including the next CR; what has come when the timeout ends.
  std::string ReadLine(Ms timeout = Ms(3000));
  // Exactly n characters, or what has come when the timeout ends or the device closes.
  std::string Read(size_t n, Ms timeout = Ms(10000));
  // Everything that arrives until the line has been quiet for `quiet` (at most for 5 s).
  std::string Drain(Ms quiet = Ms(100));
  bool closed() const { return closed_; }
  int reads() const { return reads_; }  // successful read() calls so far

 private:
  bool Fill(Ms timeout);  // one read; false on timeout or close
  std::string Take(size_t n);

  int fd_;
  std::string pending_;
  bool closed_ = false;
  int reads_ = 0;
};

}  // namespace simclient
