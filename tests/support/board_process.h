#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace tarn::test {

// The simulated board as a child process on its own pseudo-terminal, mapped
// to COM4 for the program's port lookup. Stopped when it goes out of scope.
class BoardProcess {
 public:
  explicit BoardProcess(const std::vector<std::string>& args);
  ~BoardProcess();
  const std::string& device() const { return device_; }

 private:
  pid_t pid_ = -1;
  int stdinFd_ = -1;  // the board serves until this end of its input closes
  std::string device_;
};

}  // namespace tarn::test
