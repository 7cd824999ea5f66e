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
  clock_.advance(readTime);
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

void ScriptedDialog::ShowSave() {
  if (failure) throw *failure;
  shown.push_back({CancelError, Flags, Filter, DialogTitle, InitDir, FileName});
  std::optional<std::string> answer;
  if (!answers.empty()) {
    answer = answers.front();
    answers.pop_front();
  }
  if (!answer) throw PlatformError(kErrCancel, "Cancel was selected.");
  FileName = *answer;
}

MsgResult ScriptedMsgBox::show(const std::string& prompt, MsgButtons kind) {
  prompts.push_back(prompt);
  buttons.push_back(kind);
  if (kind == MsgButtons::Ok) return MsgResult::Ok;
  const MsgResult answer = answers.empty() ? MsgResult::No : answers.front();
  if (!answers.empty()) answers.pop_front();
  return answer;
}

int64_t MemoryFiles::fileLength(const std::string& path) {
  if (unreadable.count(path)) throw PlatformError(kErrPathFileAccess, "Path/File access error");
  const auto it = files.find(path);
  return it == files.end() ? -1 : static_cast<int64_t>(it->second.size());
}

void MemoryFiles::replaceFile(const std::string& path, std::string_view bytes) {
  if (failing.count(path)) throw PlatformError(kErrPathFileAccess, "Path/File access error");
  files[path] = bytes;
}

void FormFixture::openPort() {
  form->OpenPort();
  port.written.clear();
  port.pending.clear();
}

}  // namespace tarn::test
