#pragma once

#include <chrono>
#include <memory>
#include <span>

#include "board/profile.h"

namespace tarn {

class Presenter;
class MainWindow;
class QtBytePort;

// How often the plot follows a running measurement.
inline constexpr std::chrono::milliseconds kLiveInterval{250};

// The running program: the window, the Qt seams and the presenter, wired
// together.
class App {
 public:
  explicit App(std::span<const BoardProfile> boards);
  ~App();
  Presenter& presenter();
  MainWindow& window();
  QtBytePort& port();

 private:
  struct Parts;
  std::unique_ptr<Parts> parts_;
};

// The whole program for these boards: the application object, the window, the
// event loop. `desktopName` names its menu entry.
int runProgram(int argc, char** argv, std::span<const BoardProfile> boards,
               const char* desktopName);

}  // namespace tarn
