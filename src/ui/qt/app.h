#pragma once

#include <memory>

namespace tarn {

class Form1;
class MainWindow;

// The running program: the window, the Qt seams and Form1, wired together.
class App {
 public:
  App();
  ~App();
  Form1& form();
  MainWindow& window();

 private:
  struct Parts;
  std::unique_ptr<Parts> parts_;
};

}  // namespace tarn
