#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "common/seams.h"

namespace tarn {

// The command exchange with the board: one command line out, one reply line
// in. Lines end in CR. Port failures pass through as PortError.
class BoardLink {
 public:
  // How long a reply may take: 100 ms, or longer where TARNVIEW_REPLY_MS
  // says so (a board behind a slow link, such as a network serial server).
  static std::chrono::milliseconds replyTime();

  BoardLink(BytePort& port, Clock& clock) : port_(port), clock_(clock), replyTime_(replyTime()) {}

  void open(const std::string& device, const LineSettings& line);
  void close() { port_.close(); }
  bool isOpen() const { return port_.isOpen(); }

  // Sends a bare CR after dropping what was received, so that the board
  // starts from an empty command line.
  void resync();
  // Sends the command and waits for the reply up to its CR. The reply
  // without its CR, or nothing when no reply came in time. The wait ends as
  // soon as the CR arrives, and at the deadline even for a peer that never
  // pauses.
  std::optional<std::string> exchange(std::string_view command);
  // Sends a command line that has no reply of its own.
  void send(std::string_view command);
  // Reads and drops what arrives until nothing has come for `quiet`, and for
  // the reply time at most: the tail of a stream the board was told to stop,
  // which would otherwise pass for the reply to the next command.
  void drain(std::chrono::milliseconds quiet);
  // What was received and not yet read.
  std::string take() { return port_.read(); }

 private:
  BytePort& port_;
  Clock& clock_;
  std::chrono::milliseconds replyTime_;
};

}  // namespace tarn
