#pragma once

#include <QPolygonF>
#include <QWidget>
#include <vector>

#include "ui/presenter.h"

namespace tarn {

// The plot box: keeps the traces it was given (in the control table's
// units) and paints them scaled to the widget's device pixels, so the plot
// survives being covered and stays sharp on any screen.
class PlotView : public QWidget, public PlotSurface {
 public:
  PlotView(QWidget* parent, double unitsWide, double unitsHigh);
  void clear() override;
  void draw(const std::vector<Trace>& traces) override;

  struct Polyline {
    QColor colour;
    QPolygonF points;
  };
  const std::vector<Polyline>& polylines() const { return polylines_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  double unitsWide_, unitsHigh_;
  std::vector<Polyline> polylines_;
};

}  // namespace tarn
