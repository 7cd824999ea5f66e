#include "support/board_process.h"

#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>

namespace tarn::test {

BoardProcess::BoardProcess(const std::vector<std::string>& args) {
  int out[2], in[2];
  if (pipe(out) != 0 || pipe(in) != 0 || (pid_ = fork()) < 0) throw std::runtime_error("fork");
  if (pid_ == 0) {
    dup2(in[0], STDIN_FILENO);
    dup2(out[1], STDOUT_FILENO);
    close(in[1]);
    close(out[0]);
    std::vector<char*> argv{const_cast<char*>(TARNBOARD_PATH)};
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    execv(TARNBOARD_PATH, argv.data());
    _exit(127);
  }
  close(in[0]);
  close(out[1]);
  stdinFd_ = in[1];
  // The first line the board prints is its device.
  for (char c; read(out[0], &c, 1) == 1 && c != '\n';) device_ += c;
  close(out[0]);
  if (device_.empty()) throw std::runtime_error("tarnboard printed no device");
  setenv("TARNVIEW_COM4", device_.c_str(), 1);
}

BoardProcess::~BoardProcess() {
  kill(pid_, SIGTERM);
  close(stdinFd_);
  waitpid(pid_, nullptr, 0);
}

}  // namespace tarn::test
