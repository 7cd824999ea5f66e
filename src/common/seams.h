#pragma once

#include <chrono>
#include <cstdint>
#include <string>

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

}  // namespace tarn
