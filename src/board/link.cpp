#include "board/link.h"

#include <algorithm>
#include <cstdlib>
#include <string>

namespace tarn {

std::chrono::milliseconds BoardLink::replyTime() {
  constexpr std::chrono::milliseconds kProtocol{100}, kLongest{60000};
  const char* text = std::getenv("TARNVIEW_REPLY_MS");
  char* end = nullptr;
  const long ms = text ? std::strtol(text, &end, 10) : 0;
  // Never shorter than the protocol's: a longer wait only lets a slow link answer.
  if (!text || end == text || *end != '\0' || ms < kProtocol.count()) return kProtocol;
  return std::min(std::chrono::milliseconds(ms), kLongest);
}

void BoardLink::open(const std::string& device, const LineSettings& line) {
  if (port_.isOpen()) port_.close();
  port_.open(device, line);
  port_.purge();
}

void BoardLink::resync() {
  if (!port_.isOpen()) return;
  port_.read();
  port_.write("\r");
}

void BoardLink::send(std::string_view command) {
  std::string line(command);
  port_.write(line += '\r');
}

void BoardLink::drain(std::chrono::milliseconds quiet) {
  const SteadyTime deadline = clock_.now() + replyTime_;
  SteadyTime last = clock_.now();
  while (true) {
    if (!port_.read().empty()) last = clock_.now();
    const SteadyTime until = std::min(last + quiet, deadline);
    if (clock_.now() >= until) return;
    port_.waitForInput(until);
  }
}

std::optional<std::string> BoardLink::exchange(std::string_view command) {
  const SteadyTime deadline = clock_.now() + replyTime_;
  port_.read();  // a late answer to an earlier command is no reply to this one
  send(command);
  std::string reply;
  size_t cr = std::string::npos;
  while ((cr = reply.find('\r')) == std::string::npos) {
    const std::string got = port_.read();
    reply += got;
    if (reply.find('\r') != std::string::npos) continue;
    if (clock_.now() >= deadline) return std::nullopt;
    if (got.empty()) port_.waitForInput(deadline);
  }
  // A CR alone is no reply.
  if (reply.size() < 2) return std::nullopt;
  reply.resize(cr);
  return reply;
}

}  // namespace tarn
