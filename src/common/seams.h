#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

namespace tarn {

using SteadyTime = std::chrono::steady_clock::time_point;

// The serial control: what the handlers need of a serial port. Failures of the
// port (a number it does not accept, an open that fails, a port that vanished)
// throw PlatformError.
class SerialControl {
 public:
  virtual ~SerialControl() = default;
  virtual void setCommPort(int16_t number) = 0;
  virtual int16_t commPort() const = 0;
  virtual void setSettings(const std::string& settings) = 0;
  virtual std::string settings() const = 0;
  virtual bool portOpen() const = 0;
  virtual void setPortOpen(bool open) = 0;
  virtual void clearInput() = 0;  // InBufferCount = 0
  virtual void setRThreshold(int16_t threshold) = 0;
  virtual int16_t rThreshold() const = 0;
  virtual void setSThreshold(int16_t threshold) = 0;
  virtual void setHandshaking(int32_t mode) = 0;
  // Every character received and not yet read, removed from the buffer.
  virtual std::string input() = 0;
  virtual void output(const std::string& text) = 0;
  // 2 for received characters.
  virtual int16_t commEvent() const = 0;
  // Blocks until input is pending or the deadline has passed, handling no
  // window events meanwhile.
  virtual void waitForInput(SteadyTime deadline) = 0;
};

inline constexpr int16_t kComEvReceive = 2;

struct LocalDateTime {
  int year, month, day, hour, minute, second;
};

class Clock {
 public:
  virtual ~Clock() = default;
  virtual SteadyTime now() = 0;
  virtual LocalDateTime localNow() = 0;
};

// The plot box, in twips: erase, and a straight segment in a 0x00BBGGRR colour.
class DrawingSurface {
 public:
  virtual ~DrawingSurface() = default;
  virtual void cls() = 0;
  virtual void line(float x1, float y1, float x2, float y2, uint32_t color) = 0;
};

struct TwipSize {
  double width, height;
};

// The program's surroundings: the screen, the window frame, the event loop.
class Host {
 public:
  virtual ~Host() = default;
  virtual TwipSize screenSize() = 0;       // the whole primary screen
  virtual TwipSize windowOuterSize() = 0;  // the window with its frame and title bar
  virtual void doEvents() = 0;             // one pass of pending window events
  virtual void endProgram() = 0;
  virtual std::string appFolder() = 0;
};

// Flags of the save dialog, as the old common dialog numbered them.
inline constexpr int32_t kOfnOverwritePrompt = 0x2;  // ask before replacing a file
inline constexpr int32_t kOfnHideReadOnly = 0x4;     // no read-only check box
inline constexpr int32_t kOfnPathMustExist = 0x800;  // only a path in an existing folder

// The save-file dialog CD1. The program sets the properties before each
// showing; FileName holds the chosen full path afterwards and is offered again
// at the next showing. A cancel throws PlatformError(kErrCancel) when
// CancelError is set.
class SaveDialog {
 public:
  virtual ~SaveDialog() = default;
  virtual void ShowSave() = 0;

  bool CancelError = false;
  int32_t Flags = 0;
  std::string Filter;  // "description | pattern" pairs, "|"-separated
  std::string DialogTitle;
  std::string InitDir;
  std::string FileName;
};

enum class MsgButtons { Ok, YesNo };
enum class MsgResult { Ok, Yes, No };

// A message box with the platform's default title; returns the button pressed.
class MsgBox {
 public:
  virtual ~MsgBox() = default;
  virtual MsgResult show(const std::string& prompt, MsgButtons buttons) = 0;
};

// The files the program writes. Failures throw PlatformError.
class FileStore {
 public:
  virtual ~FileStore() = default;
  // Bytes held by the file at `path`, or -1 when there is none; opens nothing
  // for writing.
  virtual int64_t fileLength(const std::string& path) = 0;
  // `bytes` become the whole content of the file in one step: after a failure
  // the file is as it was before.
  virtual void replaceFile(const std::string& path, std::string_view bytes) = 0;
  virtual bool folderWritable(const std::string& folder) = 0;
  virtual std::string homeFolder() = 0;
};

}  // namespace tarn
