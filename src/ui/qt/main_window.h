#pragma once

#include <QWidget>
#include <map>
#include <memory>
#include <string>

#include "ui/control_table.h"
#include "ui/qt/plot_view.h"

namespace tarn {

class Presenter;

// Twips ↔ logical pixels at the screen's logical DPI (15 twips a pixel at 96).
double twipsPerPixel();

// The window drawn from the control table and bound to the presenter's
// controls in both directions. It holds no behaviour: every event goes to the
// presenter.
class MainWindow : public QWidget {
 public:
  explicit MainWindow(bool singleModel);
  PlotView& plot() { return *plot_; }
  void bind(Presenter& presenter);
  // Centres the window's frame on the screen, its top edge never above the
  // screen's available area.
  void centre();
  QWidget* widget(const std::string& name) const;
  std::function<void()> closing;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void build();
  void bindControl(const ControlSpec& row, Presenter& presenter);
  void showPortDevices(const Presenter& presenter);
  void bindPlotMenu(Presenter& presenter);
  void showPlotMenu(Presenter& presenter, const QPoint& at);
  std::map<std::string, QWidget*, std::less<>> widgets_;
  PlotView* plot_ = nullptr;
  bool singleModel_;
  bool shown_ = false;
};

}  // namespace tarn
