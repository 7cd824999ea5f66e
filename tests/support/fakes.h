#pragma once

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "common/errors.h"
#include "common/seams.h"
#include "ui/form1.h"

namespace tarn::test {

class FakeClock : public Clock {
 public:
  SteadyTime now() override { return now_; }
  LocalDateTime localNow() override { return local; }
  void advanceTo(SteadyTime t) {
    if (t > now_) now_ = t;
  }
  void advance(std::chrono::milliseconds d) { now_ += d; }
  LocalDateTime local{2026, 12, 6, 14, 5, 9};

 private:
  SteadyTime now_ = SteadyTime{} + std::chrono::hours(1);
};

// A serial port driven by a script: each command line written gets the chunks
// listed for it in `replies`, and each Input read returns one pending chunk.
class ScriptedPort : public SerialControl {
 public:
  explicit ScriptedPort(FakeClock& clock) : clock_(clock) {}

  std::map<std::string, std::vector<std::string>> replies;
  std::function<void(const std::string& line)> onLine;  // called for every line written
  std::deque<std::string> pending;
  std::string written;
  std::set<int> missingPorts;  // numbers whose open fails
  int opens = 0;

  std::vector<std::string> lines() const;  // `written` cut at CR
  void vanish() { open_ = false; }         // the device went away
  // The device went away and the port has not noticed: it still reads as
  // open, and the next read or write fails.
  bool failing = false;
  std::chrono::milliseconds readTime{0};  // what each read that returns text takes

  void setCommPort(int16_t number) override {
    if (number < 1) throw PlatformError(8002, "Invalid port number");
    if (open_) throw PlatformError(kErrPortOpen, "Port already open");
    number_ = number;
  }
  int16_t commPort() const override { return number_; }
  void setSettings(const std::string& s) override { settings_ = s; }
  std::string settings() const override { return settings_; }
  bool portOpen() const override { return open_; }
  void setPortOpen(bool open) override;
  void clearInput() override {
    require();
    pending.clear();
  }
  void setRThreshold(int16_t t) override { rThreshold_ = t; }
  int16_t rThreshold() const override { return rThreshold_; }
  void setSThreshold(int16_t t) override { sThreshold = t; }
  void setHandshaking(int32_t mode) override { handshaking = mode; }
  std::string input() override;
  void output(const std::string& text) override;
  int16_t commEvent() const override { return kComEvReceive; }
  // Nothing pending: time runs to the deadline (a silent board).
  void waitForInput(SteadyTime deadline) override {
    ++waits;
    if (pending.empty()) clock_.advanceTo(deadline);
  }

  int16_t sThreshold = -1;
  int32_t handshaking = -1;
  int waits = 0;

 private:
  void require() const {
    if (!open_ || failing) throw PlatformError(8012, "The device is not open");
  }
  FakeClock& clock_;
  bool open_ = false;
  int16_t number_ = 1;
  std::string settings_ = "9600,N,8,1";
  int16_t rThreshold_ = 0;
  std::string partialLine_;
};

// Records every drawing call.
class RecordingSurface : public DrawingSurface {
 public:
  struct Segment {
    float x1, y1, x2, y2;
    uint32_t color;
  };
  void cls() override {
    ++clears;
    segments.clear();
  }
  void line(float x1, float y1, float x2, float y2, uint32_t color) override {
    segments.push_back({x1, y1, x2, y2, color});
  }
  int clears = 0;
  std::vector<Segment> segments;
};

class FakeHost : public Host {
 public:
  TwipSize screenSize() override { return screen; }
  TwipSize windowOuterSize() override { return outer; }
  void doEvents() override {
    ++eventPasses;
    if (onDoEvents) onDoEvents();
  }
  void endProgram() override { ended = true; }
  std::string appFolder() override { return folder; }

  TwipSize screen{19200, 14400};
  TwipSize outer{8070, 8130};
  std::function<void()> onDoEvents;
  int eventPasses = 0;
  bool ended = false;
  std::string folder = "/tmp";
};

// The save dialog: each showing records the properties it was shown with and
// takes the next answer, a path that is typed and accepted or a cancel
// (nullopt, also when no answer is left).
class ScriptedDialog : public SaveDialog {
 public:
  void ShowSave() override;
  std::deque<std::optional<std::string>> answers;
  std::optional<PlatformError> failure;  // thrown instead of showing
  struct Shown {
    bool cancelError;
    int32_t flags;
    std::string filter, title, initDir, fileName;
    bool operator==(const Shown&) const = default;
  };
  std::vector<Shown> shown;  // the properties at each showing
};

class ScriptedMsgBox : public MsgBox {
 public:
  MsgResult show(const std::string& prompt, MsgButtons kind) override;
  std::deque<MsgResult> answers;  // for Yes/No questions; No when none is left
  std::vector<std::string> prompts;
  std::vector<MsgButtons> buttons;
};

// Files in memory; a path in `failing` cannot be written (a full disk, a
// read-only folder) and one in `unreadable` cannot be examined.
class MemoryFiles : public FileStore {
 public:
  int64_t fileLength(const std::string& path) override;
  void replaceFile(const std::string& path, std::string_view bytes) override;
  bool folderWritable(const std::string& folder) override { return !readOnly.count(folder); }
  std::string homeFolder() override { return home; }
  std::map<std::string, std::string> files;
  std::set<std::string> failing, unreadable, readOnly;
  std::string home = "/home/user";
};

// A Form1 with scripted seams, loaded as at start-up.
struct FormFixture {
  FakeClock clock;
  ScriptedPort port{clock};
  RecordingSurface surface;
  FakeHost host;
  ScriptedDialog dialog;
  ScriptedMsgBox msgBox;
  MemoryFiles files;
  std::unique_ptr<Form1> form;

  FormFixture()
      : form(std::make_unique<Form1>(Seams{port, clock, surface, host, dialog, msgBox, files})) {
    form->Form_Load();
  }
  // Opens the port as a successful connection would leave it.
  void openPort();
};

}  // namespace tarn::test
