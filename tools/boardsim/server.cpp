#include "server.hpp"

#include <fcntl.h>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <optional>
#include <thread>
#include <utility>

namespace boardsim {
namespace {

using Clock = std::chrono::steady_clock;

// Output held back while the device does not take it; more records wait on the schedule.
constexpr size_t kHighWater = size_t{16} * 1024;
constexpr auto kTrickleGap = std::chrono::milliseconds(2);

int g_signal_pipe[2] = {-1, -1};

void OnSignal(int) {
  const char byte = 0;
  [[maybe_unused]] const ssize_t ignored = write(g_signal_pipe[1], &byte, 1);
}

class Fd {
 public:
  explicit Fd(int fd = -1) : fd_(fd) {}
  Fd(Fd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  Fd& operator=(Fd&& other) noexcept {
    std::swap(fd_, other.fd_);
    return *this;
  }
  ~Fd() {
    if (fd_ >= 0) close(fd_);
  }
  int get() const { return fd_; }

 private:
  int fd_;
};

Clock::duration Seconds(double s) {
  return std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(s));
}

bool Fail(const std::string& what) {
  std::fprintf(stderr, "tarnboard: %s: %s\n", what.c_str(), std::strerror(errno));
  return false;
}

bool MakeRaw(int fd, Model model) {
  termios tio{};
  if (tcgetattr(fd, &tio) != 0) return false;
  cfmakeraw(&tio);
  tio.c_cflag |= CLOCAL | CREAD;
  tio.c_cc[VMIN] = 1;
  tio.c_cc[VTIME] = 0;
  const speed_t speed = BaudRate(model) == 38400 ? B38400 : B115200;
  return cfsetispeed(&tio, speed) == 0 && cfsetospeed(&tio, speed) == 0 &&
         tcsetattr(fd, TCSANOW, &tio) == 0;
}

struct Port {
  Fd fd;
  Fd slave;  // held open so the master never sees a hang-up between client sessions
  std::string path;
};

std::optional<Port> OpenPty(Model model) {
  Port port{Fd(posix_openpt(O_RDWR | O_NOCTTY)), Fd(), ""};
  if (port.fd.get() < 0 || grantpt(port.fd.get()) != 0 || unlockpt(port.fd.get()) != 0) {
    Fail("cannot create a pseudo-terminal");
    return std::nullopt;
  }
  const char* name = ptsname(port.fd.get());
  port.path = name != nullptr ? name : "";
  port.slave = Fd(open(port.path.c_str(), O_RDWR | O_NOCTTY));
  if (port.slave.get() < 0 || !MakeRaw(port.slave.get(), model)) {
    Fail("cannot set up " + port.path);
    return std::nullopt;
  }
  return port;
}

std::optional<Port> OpenDevice(const std::string& path, Model model) {
  Port port{Fd(open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK)), Fd(), path};
  if (port.fd.get() < 0 || !MakeRaw(port.fd.get(), model)) {
    Fail("cannot open " + path);
    return std::nullopt;
  }
  return port;
}

// Replaces a stale link from a killed run, but never a file that is not a link.
bool MakeLink(const std::string& target, const std::string& link) {
  struct stat info {};
  if (lstat(link.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) unlink(link.c_str());
  return symlink(target.c_str(), link.c_str()) == 0 || Fail("cannot link " + link);
}

bool SetNonBlocking(int fd) { return fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK) == 0; }

class Server {
 public:
  Server(const Options& options, Port port)
      : options_(options),
        port_(std::move(port)),
        board_(options.board),
        latency_(std::chrono::milliseconds(options.latency_ms)) {}
  // --exclusive: watches the programs' opens of the pty.
  bool WatchOpens();
  int Run();

 private:
  struct Chunk {
    Clock::time_point due;
    std::string bytes;
  };

  void WaitDelivered() const;
  bool Receive();
  bool CountOpens();
  void Handle(std::string_view line, Clock::time_point now);
  void QueueReply(const std::string& text, Clock::time_point now);
  void Release(Clock::time_point now);
  bool Flush();
  bool RecordsHeld() const;
  Clock::time_point RecordDue() const { return stream_start_ + Seconds((records_ + 1) * period_); }
  std::optional<Clock::time_point> NextDue() const;
  // The batch times of an adapter's latency timer around `t`; `t` itself without batches.
  Clock::time_point BatchBefore(Clock::time_point t) const;
  Clock::time_point BatchAfter(Clock::time_point t) const;

  const Options& options_;
  Port port_;
  Board board_;
  const Clock::duration latency_;
  const Clock::time_point epoch_ = Clock::now();  // of the batches
  LineReader lines_;
  std::deque<Chunk> replies_;
  std::string out_;  // released, not yet taken by the device
  size_t keep_ = 0;  // leading reply bytes of out_ that a stop must not discard
  Clock::time_point line_free_;
  Clock::time_point stream_start_;
  double period_ = 0;
  uint64_t records_ = 0;   // of the running stream
  uint64_t total_ = 0;     // of the session, for the unplug fault
  uint64_t commands_ = 0;  // non-empty command lines of the session
  bool pulled_ = false;    // the command that unplugs has arrived
  Fd watch_;               // inotify, for --exclusive
  int opened_ = 0;         // the programs that have the pty open
};

// The server's own open of the pty came before the watch: each open a program makes of it, and
// each close, is one event.
bool Server::WatchOpens() {
  watch_ = Fd(inotify_init1(IN_NONBLOCK | IN_CLOEXEC));
  return (watch_.get() >= 0 &&
          inotify_add_watch(watch_.get(), port_.path.c_str(), IN_OPEN | IN_CLOSE) >= 0) ||
         Fail("watching " + port_.path);
}

// While a program has the pty open, it is locked: another open fails (EIO), as a second open of
// a Windows COM port does; the first program's close unlocks it.
bool Server::CountOpens() {
  alignas(inotify_event) char buffer[4096];
  const ssize_t n = read(watch_.get(), buffer, sizeof buffer);
  if (n < 0) return errno == EAGAIN || errno == EINTR || Fail("watching " + port_.path);
  const bool held = opened_ > 0;
  for (ssize_t at = 0; at < n;) {
    inotify_event event{};
    std::memcpy(&event, buffer + at, sizeof event);
    opened_ += (event.mask & IN_OPEN) != 0 ? 1 : (event.mask & IN_CLOSE) != 0 ? -1 : 0;
    at += static_cast<ssize_t>(sizeof event + event.len);
  }
  int lock = opened_ > 0 ? 1 : 0;
  if (held == (lock != 0)) return true;
  if (ioctl(port_.fd.get(), TIOCSPTLCK, &lock) != 0) return Fail("locking " + port_.path);
  std::fprintf(stderr,
               lock != 0 ? "tarnboard: %s in use, other opens refused\n" : "tarnboard: %s free\n",
               port_.path.c_str());
  return true;
}

int Server::Run() {
  int in_fd = options_.ignore_stdin ? -1 : STDIN_FILENO;
  while (true) {
    const auto now = Clock::now();
    Release(BatchBefore(now));
    if (!Flush()) return 1;
    if (options_.unplug_after != 0 && total_ >= options_.unplug_after && out_.empty()) {
      WaitDelivered();
      std::fprintf(stderr, "tarnboard: unplugged after %llu records\n",
                   static_cast<unsigned long long>(total_));
      return 0;
    }
    if (pulled_) {
      std::fprintf(stderr, "tarnboard: unplugged at command %llu\n",
                   static_cast<unsigned long long>(commands_));
      return 0;
    }
    pollfd fds[] = {{port_.fd.get(), static_cast<short>(POLLIN | (out_.empty() ? 0 : POLLOUT)), 0},
                    {g_signal_pipe[0], POLLIN, 0},
                    {in_fd, POLLIN, 0},
                    {watch_.get(), POLLIN, 0}};
    // poll() counts whole milliseconds; the rest of a wait is slept so records leave on time.
    const auto due = NextDue();
    const auto wait_ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(due.value_or(now) - now);
    const int timeout = due ? static_cast<int>(std::max<int64_t>(0, wait_ms.count())) : -1;
    const int ready = poll(fds, std::size(fds), timeout);
    if (ready < 0 && errno != EINTR) {
      Fail("poll");
      return 1;
    }
    if (ready == 0 && timeout == 0) std::this_thread::sleep_until(*due);
    if (fds[1].revents != 0) return 0;
    if (fds[2].revents != 0) {
      char scratch[256];
      const ssize_t n = read(in_fd, scratch, sizeof scratch);
      if (n == 0) return 0;
      // A terminal we run in the background of (EIO) is no end of input; stop watching it.
      if (n < 0 && errno != EAGAIN && errno != EINTR) in_fd = -1;
    }
    if (fds[3].revents != 0 && !CountOpens()) return 1;
    if ((fds[0].revents & (POLLIN | POLLERR | POLLHUP)) != 0 && !Receive()) return 1;
  }
}

// Closing a pty hangs it up and flushes what the client has not read yet, while a host reads
// what was on the wire before a cable came off. So give the client the chance to read it.
void Server::WaitDelivered() const {
  if (port_.slave.get() < 0) {
    tcdrain(port_.fd.get());
    return;
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(20));  // the pty's own hand-over
  for (int waited = 0; waited < 2000; ++waited) {
    int unread = 0;
    if (ioctl(port_.slave.get(), FIONREAD, &unread) != 0 || unread == 0) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

bool Server::Receive() {
  char buffer[4096];
  const ssize_t n = read(port_.fd.get(), buffer, sizeof buffer);
  if (n < 0) return errno == EAGAIN || errno == EINTR || Fail("reading " + port_.path);
  if (n == 0) {
    std::fprintf(stderr, "tarnboard: %s has gone\n", port_.path.c_str());
    return false;
  }
  const auto now = Clock::now();
  lines_.Feed(std::string_view(buffer, static_cast<size_t>(n)),
              [&](std::string_view line) { Handle(line, now); });
  return true;
}

void Server::Handle(std::string_view line, Clock::time_point now) {
  if (pulled_) return;
  // The bare CR a host sends to resynchronise the line is no command.
  if (!line.empty() && ++commands_ == options_.unplug_at_command) {
    pulled_ = true;
    return;
  }
  if (options_.silent) return;
  const Response response = board_.Command(line);
  if (response.stream == StreamChange::kStarted) {
    stream_start_ = std::max(now, line_free_);
    period_ = options_.pacing ? board_.RecordPeriod() : 0;
    records_ = 0;
  } else if (response.stream == StreamChange::kStopped) {
    out_.resize(keep_);
  }
  if (response.reply) QueueReply(*response.reply, now);
}

void Server::QueueReply(const std::string& text, Clock::time_point now) {
  const std::string bytes = options_.stray + text + '\r';
  const auto char_time = Seconds(options_.pacing ? board_.CharTime() : 0);
  auto due = std::max(now + std::chrono::milliseconds(options_.reply_delay_ms), line_free_);
  if (options_.trickle) {
    for (const char c : bytes) {
      due += char_time + kTrickleGap;
      replies_.push_back({due, std::string(1, c)});
    }
  } else {
    due += char_time * static_cast<int>(bytes.size());
    replies_.push_back({due, bytes});
  }
  line_free_ = due;
}

bool Server::RecordsHeld() const {
  return out_.size() >= kHighWater ||
         (options_.unplug_after != 0 && total_ >= options_.unplug_after);
}

void Server::Release(Clock::time_point now) {
  while (!replies_.empty() && replies_.front().due <= now) {
    out_ += replies_.front().bytes;
    keep_ = out_.size();
    replies_.pop_front();
  }
  while (board_.Streaming() && !RecordsHeld() && RecordDue() <= now) {
    board_.AppendRecord(out_);
    ++records_;
    ++total_;
  }
}

bool Server::Flush() {
  while (!out_.empty()) {
    const ssize_t n = write(port_.fd.get(), out_.data(), out_.size());
    if (n < 0) return errno == EAGAIN || errno == EINTR || Fail("writing " + port_.path);
    out_.erase(0, static_cast<size_t>(n));
    keep_ -= std::min(keep_, static_cast<size_t>(n));
  }
  return true;
}

std::optional<Clock::time_point> Server::NextDue() const {
  std::optional<Clock::time_point> due;
  if (!replies_.empty()) due = replies_.front().due;
  if (board_.Streaming() && !RecordsHeld()) due = std::min(due.value_or(RecordDue()), RecordDue());
  if (due) due = BatchAfter(*due);
  return due;
}

Clock::time_point Server::BatchBefore(Clock::time_point t) const {
  return latency_ == Clock::duration::zero() ? t : t - (t - epoch_) % latency_;
}

Clock::time_point Server::BatchAfter(Clock::time_point t) const {
  const Clock::time_point before = BatchBefore(t);
  return before == t ? t : before + latency_;
}

}  // namespace

int Serve(const Options& options) {
  if (pipe(g_signal_pipe) != 0 || !SetNonBlocking(g_signal_pipe[1])) {
    Fail("pipe");
    return 1;
  }
  struct sigaction action {};
  action.sa_handler = OnSignal;
  for (const int sig : {SIGTERM, SIGINT, SIGHUP}) sigaction(sig, &action, nullptr);
  std::signal(SIGPIPE, SIG_IGN);
  std::signal(SIGTTIN, SIG_IGN);  // so a read of the terminal in the background fails, not stops

  const Model model = options.board.model;
  auto port = options.device.empty() ? OpenPty(model) : OpenDevice(options.device, model);
  if (!port || !SetNonBlocking(port->fd.get())) return 1;
  const std::string path = port->path;
  Server server(options, std::move(*port));
  if (options.exclusive && !server.WatchOpens()) return 1;
  if (!options.link.empty() && !MakeLink(path, options.link)) return 1;
  // The path line tells a waiting script that the device, and its link, are ready.
  std::printf("%s\n", path.c_str());
  std::fflush(stdout);
  const int code = server.Run();
  if (!options.link.empty()) unlink(options.link.c_str());
  return code;
}

}  // namespace boardsim
