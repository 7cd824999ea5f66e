#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace tarn::test {

// The simulated board as a child process on its own pseudo-terminal, mapped
// to COM4 for the program's port lookup. Killed when it goes out of scope.
class BoardProcess {
 public:
  explicit BoardProcess(const std::vector<std::string>& args, int comNumber = 4);
  ~BoardProcess();
  BoardProcess(const BoardProcess&) = delete;
  BoardProcess& operator=(const BoardProcess&) = delete;
  const std::string& device() const { return device_; }
  bool running();

 private:
  pid_t pid_ = -1;
  int stdinFd_ = -1;
  std::string device_;
};

}  // namespace tarn::test
