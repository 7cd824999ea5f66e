#pragma once

#include <QWidget>
#include <map>
#include <memory>
#include <string>

#include "ui/control_table.h"
#include "ui/qt/plot_view.h"

namespace tarn {

class Form1;

// Twips ↔ logical pixels at the screen's logical DPI (15 twips a pixel at 96).
double twipsPerPixel();

// The window drawn from the control table and bound to Form1's controls in
// both directions. It holds no behaviour: every event goes to a handler.
class MainWindow : public QWidget {
 public:
  MainWindow();
  PlotView& plot() { return *plot_; }
  void bind(Form1& form);
  QWidget* widget(const std::string& name) const;
  std::function<void()> closing;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void build();
  void bindControl(const ControlSpec& row, Form1& form);
  void showPortDevices();
  std::map<std::string, QWidget*, std::less<>> widgets_;
  PlotView* plot_ = nullptr;
};

}  // namespace tarn
