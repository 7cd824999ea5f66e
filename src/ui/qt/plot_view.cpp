#include "ui/qt/plot_view.h"

#include <QPainter>

namespace tarn {

PlotView::PlotView(QWidget* parent, double twipsWide, double twipsHigh)
    : QWidget(parent), twipsWide_(twipsWide), twipsHigh_(twipsHigh) {
  setAutoFillBackground(true);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, Qt::white);
  setPalette(pal);
}

void PlotView::changed() {
  if (repaintPending_) return;
  repaintPending_ = true;
  update();
}

void PlotView::cls() {
  traces_.clear();
  changed();
}

void PlotView::line(float x1, float y1, float x2, float y2, uint32_t color) {
  const QPointF from(x1, y1), to(x2, y2);
  const bool continues = !traces_.empty() && traces_.back().color == color &&
                         traces_.back().points.back().x() == from.x() &&
                         traces_.back().points.back().y() == from.y();
  if (!continues) traces_.push_back({color, QPolygonF{from}});
  traces_.back().points.append(to);
  changed();
}

void PlotView::paintEvent(QPaintEvent*) {
  repaintPending_ = false;
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing, false);
  // Twips to logical pixels; the painter carries on to device pixels itself,
  // so a high-density screen gets its full resolution.
  painter.scale(width() / twipsWide_, height() / twipsHigh_);
  for (const Trace& trace : traces_) {
    // Colours are 0x00BBGGRR.
    const QColor colour(trace.color & 0xFF, (trace.color >> 8) & 0xFF, (trace.color >> 16) & 0xFF);
    QPen pen(colour);
    pen.setCosmetic(true);  // one pixel wide whatever the scale
    painter.setPen(pen);
    painter.drawPolyline(trace.points);
  }
}

}  // namespace tarn
