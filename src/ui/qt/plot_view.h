#pragma once

#include <QImage>
#include <QWidget>
#include <vector>

#include "ui/presenter.h"

namespace tarn {

// The plot box: keeps the traces it was given (in the control table's
// units) and turns them into the widget's device pixels once per change of
// traces or size, so that a repaint only copies the picture and the plot
// stays sharp on any screen.
class PlotView : public QWidget, public PlotSurface {
 public:
  PlotView(QWidget* parent, double unitsWide, double unitsHigh);
  void clear() override;
  void draw(std::vector<Trace> traces) override;
  bool savePicture(const std::string& path) override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  // The picture at the widget's device pixels.
  const QImage& picture();
  double unitsWide_, unitsHigh_;
  std::vector<Trace> traces_;
  QImage picture_;
  bool stale_ = true;
};

}  // namespace tarn
