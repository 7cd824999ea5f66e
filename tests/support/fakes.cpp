#include "support/fakes.h"

namespace tarn::test {

std::vector<std::string> ScriptedPort::lines() const {
  std::vector<std::string> out;
  std::string line;
  for (char c : written) {
    if (c == '\r') {
      out.push_back(line);
      line.clear();
    } else {
      line += c;
    }
  }
  return out;
}

void ScriptedPort::setPortOpen(bool open) {
  if (!open) {
    open_ = false;
    return;
  }
  if (open_) throw PlatformError(kErrPortOpen, "Port already open");
  if (missingPorts.count(number_)) throw PlatformError(8002, "No such port");
  open_ = true;
  ++opens;
}

std::string ScriptedPort::input() {
  require();
  if (pending.empty()) return {};
  std::string chunk = pending.front();
  pending.pop_front();
  return chunk;
}

void ScriptedPort::output(const std::string& text) {
  require();
  written += text;
  for (char c : text) {
    if (c != '\r') {
      partialLine_ += c;
      continue;
    }
    const std::string line = partialLine_;
    partialLine_.clear();
    if (const auto it = replies.find(line); it != replies.end())
      pending.insert(pending.end(), it->second.begin(), it->second.end());
    if (onLine) onLine(line);
  }
}

void FormFixture::openPort() {
  form->OpenPort();
  port.written.clear();
  port.pending.clear();
}

}  // namespace tarn::test
