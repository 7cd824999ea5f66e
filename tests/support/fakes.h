#pragma once

#include <algorithm>
#include <deque>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <type_traits>
#include <vector>

#include "ui/presenter.h"

namespace tarn::test {

template <typename T>
T pop(std::deque<T>& queue) {
  T front = queue.front();
  queue.pop_front();
  return front;
}

// A measurement of `format` and `channels` (and `n` records, when given) fed `in`.
inline Measurement fed(DataFormat format, Channels channels, std::string_view in, int32_t n = 0) {
  MeasurementSettings s;
  s.format = format, s.channels = channels, s.count = n;
  Measurement m(s, true);
  return m.feed(in), m;
}

// Monotonic time moves only when the port reads or waits; local time is fixed.
struct FakeClock : Clock {
  SteadyTime now() override { return time; }
  LocalDateTime localNow() override { return {2026, 12, 6, 14, 5, 9}; }
  SteadyTime time = SteadyTime{} + std::chrono::hours(1);
};

// Each line written queues the chunks `replies` lists for it. A read takes one
// queued chunk, and `readTime` if it returns any; a wait runs to its deadline, or
// on by a millisecond when that has passed.
struct ScriptedPort : BytePort {
  explicit ScriptedPort(FakeClock& c) : clock(c) {}
  void open(const std::string& name, const LineSettings& settings) override {
    if (failOpen) throw PortError("no such port");
    device = name, line = settings, opened = true;
  }
  void close() override { opened = false; }
  bool isOpen() const override { return opened; }
  void purge() override { require(), pending.clear(); }
  void write(std::string_view bytes) override {  // one whole line each time
    require();
    lines.emplace_back(bytes.substr(0, bytes.find('\r')));
    for (const std::string& chunk : replies[lines.back()]) pending.push_back(chunk);
  }
  std::string read() override {
    require();
    if (pending.empty()) return "";
    clock.time += readTime;
    return pop(pending);
  }
  void waitForInput(SteadyTime deadline) override {
    if (pending.empty()) clock.time = std::max(deadline, clock.time + std::chrono::milliseconds(1));
  }
  void require() const {
    if (!opened || failing) throw PortError("port gone");
  }
  FakeClock& clock;
  std::map<std::string, std::vector<std::string>> replies;
  std::deque<std::string> pending;
  std::vector<std::string> lines;  // every line written, without its CR
  std::string device;
  LineSettings line{};
  std::chrono::milliseconds readTime{0};
  bool opened = false, failOpen = false;
  bool failing = false;  // a pulled cable: reads as open, the next read or write throws
};

struct RecordingPlot : PlotSurface {
  void clear() override {}
  void draw(std::vector<Trace>) override { ++draws; }
  bool savePicture(const std::string& path) override {
    saved.push_back(path);
    return true;
  }
  int draws = 0;
  std::vector<std::string> saved;
};

struct RecordingOpener : Opener {
  bool open(const std::string& path) override {
    opened.push_back(path);
    return true;
  }
  std::vector<std::string> opened;
};

// The user at the file dialogs and the message boxes: each showing or
// question takes the next answer (a save or folder dialog from `paths`);
// none left is a cancel or a No.
struct ScriptedUser : SaveDialog, MessageBox {
  std::optional<std::string> askSavePath(const SaveRequest& request) override {
    shown.push_back(request);
    return paths.empty() ? std::nullopt : pop(paths);
  }
  std::optional<std::string> askFolder(const SaveRequest& request) override {
    return askSavePath(request);
  }
  std::vector<std::string> askOpenPaths(const SaveRequest& request) override {
    shown.push_back(request);
    return chosen.empty() ? std::vector<std::string>() : pop(chosen);
  }
  void tell(const std::string& text) override { told.push_back(text); }
  bool ask(const std::string& text) override {
    asked.push_back(text);
    return !answers.empty() && pop(answers);
  }
  std::deque<std::optional<std::string>> paths;
  std::deque<bool> answers;
  std::deque<std::vector<std::string>> chosen;  // files in the open dialog
  std::vector<SaveRequest> shown;
  std::vector<std::string> told, asked;
};

struct MemoryFiles : FileStore {
  int64_t fileLength(const std::string& path) override {
    return files.count(path) ? static_cast<int64_t>(files[path].size()) : -1;
  }
  void replaceFile(const std::string& path, std::string_view bytes) override {
    if (failing.count(path)) throw FileError("disk full");
    files[path] = bytes;
  }
  std::string readFile(const std::string& path) override {
    if (!files.count(path)) throw FileError("no such file");
    return files[path];
  }
  bool folderWritable(const std::string& folder) override { return !readOnly.count(folder); }
  std::string homeFolder() override { return "/home/user"; }
  std::string programFolder() override { return "/opt/tarnview"; }
  std::map<std::string, std::string> files;
  std::set<std::string> failing, readOnly;
};

// A board as the program offers it: in the two-model window, or alone.
struct BoardChoice {
  std::span<const BoardProfile> boards;
  size_t index;
  const BoardProfile& board() const { return boards[index]; }
};
std::vector<BoardChoice> everyBoard();

// An expectation by board: one for all; current and older; Pellan2, Quorin2, Pellan.
template <typename T>
struct Per {
  template <typename U>
  requires std::is_convertible_v<const U&, T> Per(const U& all) : v{T(all), T(all), T(all)} {}
  Per(T current, T older) : v{current, current, older} {}
  Per(T pellan2, T quorin2, T pellan) : v{pellan2, quorin2, pellan} {}
  const T& of(const BoardProfile& b) const {
    return v[b.key == "pellan2" ? 0 : b.key == "quorin2" ? 1 : 2];
  }
  T v[3];
};

// A presenter on scripted seams with its board chosen. The board behind the
// port answers "?", the status "S05" and the rate 3, and takes the rates 3 and 5.
struct Rig {
  explicit Rig(const BoardChoice& choice);
  // What the user and the port do: "connect", "start 100", "recv 800000\r",
  // "reply F3 NG", "reply ?" (silent from now on), ...; see fakes.cpp.
  void run(const std::vector<std::string>& steps);
  FakeClock clock;
  ScriptedPort port{clock};
  RecordingPlot plot;
  ScriptedUser user;
  MemoryFiles files;
  RecordingOpener opener;
  Presenter p;
  std::string statuses;  // every status text set, each followed by "|"
};

// A file's bytes; nothing for a file that is not there.
inline std::string contentOf(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// A data file without its date line, the one line two saves of the same
// records may differ in.
inline std::string withoutDateLine(std::string file) {
  const size_t first = file.find("\r\n") + 2;
  return file.erase(first, file.find("\r\n", first) + 2 - first);
}

}  // namespace tarn::test
