#pragma once

#include "ui/win32/windows_api.h"

#include <atomic>
#include <chrono>
#include <string>
#include <vector>

#include "ui/control_table.h"
#include "ui/win32/plot_box.h"

namespace tarn {

class Presenter;
namespace windows {
class SerialPort;
}

// The window drawn from the control table at the monitor's DPI and bound to
// the presenter's controls in both directions. It holds no behaviour: every
// event goes to the presenter.
class MainWindow {
 public:
  explicit MainWindow(bool singleModel);
  ~MainWindow();
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  HWND handle() const { return window_; }
  PlotBox& plot() { return plot_; }
  void bind(Presenter& presenter, windows::SerialPort& port);
  // Centres the window on its monitor, shows it and runs the message loop
  // until the window is gone; the exit code.
  int run();
  // From the port's reader thread: the window takes what arrived on its own
  // thread. Posts at most one message until that one is handled.
  void portChanged();

 private:
  struct Bound {
    const ControlSpec* row;
    HWND window;
    bool dirty = false;  // a text box whose text is yet to be shown
  };

  static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM w, LPARAM l);
  LRESULT handle(UINT message, WPARAM w, LPARAM l);
  // The plot box's menu, for a right click on it (`at` on the screen) or the
  // Menu key or Shift+F10 anywhere (`at` is -1); false for another click.
  bool showPlotMenu(HWND target, LPARAM at);
  void create();
  void layout();
  void centre();
  void makeFonts();
  HFONT fontOf(const ControlSpec& row) const;
  int px(int twips) const;
  Bound* boundOf(int id);
  Bound& boundNamed(std::string_view name);
  void bindControl(Bound& bound);
  void onCommand(int id, int code);
  void showTexts();
  void takeTypedText();
  void fitLabel(const Bound& bound);
  // The live plot's tick runs while a measurement does, and only then.
  void followMeasurement();
  void tick();
  bool pressFocusedButton(const MSG& message);
  // Runs a change the presenter makes, whose echoes from the controls are
  // not the user's.
  template <typename F>
  void quietly(F&& change);

  bool singleModel_;
  HWND window_ = nullptr;
  HWND toolTip_ = nullptr;
  PlotBox plot_;
  std::vector<Bound> bound_;
  Presenter* presenter_ = nullptr;
  windows::SerialPort* port_ = nullptr;
  UINT dpi_ = USER_DEFAULT_SCREEN_DPI;
  HFONT fonts_[3] = {};  // by FontRole
  std::wstring families_[3];
  HBRUSH grey_ = nullptr;
  bool quiet_ = false;
  bool textsDue_ = false;  // a text box waits for its frame
  std::chrono::steady_clock::time_point textsShown_{};
  bool ticking_ = false;
  std::chrono::steady_clock::time_point lastTick_{};
  bool painted_ = false;
  std::atomic<bool> portPosted_{false};
};

}  // namespace tarn
