#include "sim_client.hpp"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <stdexcept>
#include <thread>

namespace simclient {
namespace {

void Check(bool ok, const char* what) {
  if (!ok) throw std::runtime_error(what);
}

int Remaining(std::chrono::steady_clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<Ms>(deadline - std::chrono::steady_clock::now());
  return static_cast<int>(std::max<Ms::rep>(0, left.count()));
}

// Close-on-exec, so that one test's pipes do not keep another simulator's alive.
bool Pipe(int fds[2]) {
  return pipe(fds) == 0 && fcntl(fds[0], F_SETFD, FD_CLOEXEC) == 0 &&
         fcntl(fds[1], F_SETFD, FD_CLOEXEC) == 0;
}

std::string ReadToEnd(int fd) {
  std::string text;
  char buffer[4096];
  for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) > 0;) text.append(buffer, n);
  return text;
}

}  // namespace

Sim::Sim(const std::vector<std::string>& args) {
  int in[2], out[2], err[2];
  Check(Pipe(in) && Pipe(out) && Pipe(err), "pipe");
  pid_ = fork();
  Check(pid_ >= 0, "fork");
  if (pid_ == 0) {
    dup2(in[0], STDIN_FILENO);
    dup2(out[1], STDOUT_FILENO);
    dup2(err[1], STDERR_FILENO);
    std::vector<char*> argv{const_cast<char*>(TARNBOARD_PATH)};
    for (const auto& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    execv(TARNBOARD_PATH, argv.data());
    _exit(127);
  }
  close(in[0]);
  close(out[1]);
  close(err[1]);
  in_ = in[1];
  out_ = out[0];
  err_ = err[0];
  for (char c; read(out_, &c, 1) == 1 && c != '\n';) device_ += c;
}

Sim::~Sim() {
  if (in_ >= 0) CloseStdin();
  if (Wait(Ms(2000)) < 0) {
    Signal(SIGKILL);
    Wait();
  }
  for (const int fd : {in_, out_, err_}) {
    if (fd >= 0) close(fd);
  }
}

void Sim::CloseStdin() {
  close(in_);
  in_ = -1;
}

void Sim::Signal(int sig) const { kill(pid_, sig); }

int Sim::Wait(Ms timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (status_ < 0) {
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
      status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    } else if (std::chrono::steady_clock::now() >= deadline) {
      return -1;
    } else {
      std::this_thread::sleep_for(Ms(2));
    }
  }
  return status_;
}

std::string Sim::Stderr() const { return ReadToEnd(err_); }

Port::Port(const std::string& path) : Port(open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC)) {
  termios tio{};
  Check(tcgetattr(fd_, &tio) == 0, "tcgetattr");
  cfmakeraw(&tio);
  Check(tcsetattr(fd_, TCSANOW, &tio) == 0 && tcflush(fd_, TCIFLUSH) == 0, "tcsetattr");
}

Port::Port(int fd) : fd_(fd) { Check(fd_ >= 0, "open device"); }

Port::~Port() { close(fd_); }

void Port::Send(std::string_view line) {
  const std::string bytes = std::string(line) + '\r';
  Check(write(fd_, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size()), "write");
}

bool Port::Fill(Ms timeout) {
  pollfd pfd{fd_, POLLIN, 0};
  if (closed_ || poll(&pfd, 1, static_cast<int>(timeout.count())) <= 0) return false;
  char buffer[65536];
  const ssize_t n = read(fd_, buffer, sizeof buffer);
  closed_ = n <= 0;  // EIO once the other side has gone
  if (closed_) return false;
  pending_.append(buffer, static_cast<size_t>(n));
  ++reads_;
  return true;
}

std::string Port::Take(size_t n) {
  std::string taken = pending_.substr(0, n);
  pending_.erase(0, n);
  return taken;
}

std::string Port::ReadLine(Ms timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (pending_.find('\r') == std::string::npos && Fill(Ms(Remaining(deadline)))) {
  }
  const size_t cr = pending_.find('\r');
  return Take(cr == std::string::npos ? pending_.size() : cr + 1);
}

std::string Port::Read(size_t n, Ms timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (pending_.size() < n && Fill(Ms(Remaining(deadline)))) {
  }
  return Take(n);
}

std::string Port::Drain(Ms quiet) {
  const auto deadline = std::chrono::steady_clock::now() + Ms(5000);  // for endless streams
  while (std::chrono::steady_clock::now() < deadline && Fill(quiet)) {
  }
  return Take(pending_.size());
}

}  // namespace simclient
