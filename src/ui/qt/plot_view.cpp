#include "ui/qt/plot_view.h"

#include <QPainter>

namespace tarn {

PlotView::PlotView(QWidget* parent, double unitsWide, double unitsHigh)
    : QWidget(parent), unitsWide_(unitsWide), unitsHigh_(unitsHigh) {
  setAutoFillBackground(true);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, Qt::white);
  setPalette(pal);
}

void PlotView::clear() {
  polylines_.clear();
  update();
}

void PlotView::draw(const std::vector<Trace>& traces) {
  polylines_.clear();
  for (const Trace& trace : traces) {
    // Colours are 0x00BBGGRR.
    Polyline line{QColor(trace.colour & 0xFF, (trace.colour >> 8) & 0xFF,
                         (trace.colour >> 16) & 0xFF),
                  {}};
    line.points.reserve(static_cast<qsizetype>(trace.points.size()));
    for (const PlotPoint& p : trace.points) line.points.append(QPointF(p.x, p.y));
    polylines_.push_back(std::move(line));
  }
  update();
}

void PlotView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing, false);
  // Plot units to logical pixels; the painter carries on to device pixels
  // itself, so a high-density screen gets its full resolution.
  painter.scale(width() / unitsWide_, height() / unitsHigh_);
  for (const Polyline& line : polylines_) {
    QPen pen(line.colour);
    pen.setCosmetic(true);  // one pixel wide whatever the scale
    painter.setPen(pen);
    painter.drawPolyline(line.points);
  }
}

}  // namespace tarn
