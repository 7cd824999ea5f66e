#pragma once

#include <QPolygonF>
#include <QWidget>
#include <vector>

#include "common/seams.h"

namespace tarn {

// The plot box: keeps what was drawn (in twips) and paints it scaled to the
// widget's device pixels, so the plot survives being covered and stays sharp
// on any screen. Segments that continue one another in one colour become one
// polyline with the same vertices.
class PlotView : public QWidget, public DrawingSurface {
 public:
  PlotView(QWidget* parent, double twipsWide, double twipsHigh);
  void cls() override;
  void line(float x1, float y1, float x2, float y2, uint32_t color) override;

  struct Trace {
    uint32_t color;
    QPolygonF points;
  };
  const std::vector<Trace>& traces() const { return traces_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void changed();
  double twipsWide_, twipsHigh_;
  std::vector<Trace> traces_;
  // A plot arrives as tens of thousands of segments; one repaint request
  // covers them all.
  bool repaintPending_ = false;
};

}  // namespace tarn
