#pragma once

#include "ui/win32/windows_api.h"

#include <cstdint>
#include <vector>

#include "ui/presenter.h"

namespace tarn {

// The plot box: a child window that keeps the traces it was given (in the
// control table's units) and turns them into its pixels with the core's
// rasteriser once per change of traces or size; a repaint only copies them
// to the screen.
class PlotBox : public PlotSurface {
 public:
  // Registers the window class once; the box is made by create().
  PlotBox();
  HWND create(HWND parent, int id);
  HWND handle() const { return window_; }
  void clear() override;
  void draw(std::vector<Trace> traces) override;
  bool savePicture(const std::string& path) override;

 private:
  void rasterise();
  static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM w, LPARAM l);
  void paint();
  HWND window_ = nullptr;
  std::vector<Trace> traces_;
  std::vector<uint32_t> pixels_;
  int columns_ = 0, rows_ = 0;
  bool stale_ = true;
};

}  // namespace tarn
