#include "ui/qt/plot_view.h"

#include <QPainter>
#include <QSaveFile>
#include <cmath>

#include "report/raster.h"

namespace tarn {

PlotView::PlotView(QWidget* parent, double unitsWide, double unitsHigh)
    : QWidget(parent), unitsWide_(unitsWide), unitsHigh_(unitsHigh) {
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void PlotView::clear() { draw({}); }

void PlotView::draw(std::vector<Trace> traces) {
  traces_ = std::move(traces);
  stale_ = true;
  update();
}

const QImage& PlotView::picture() {
  const qreal ratio = devicePixelRatioF();
  const QSize size(static_cast<int>(std::lround(width() * ratio)),
                   static_cast<int>(std::lround(height() * ratio)));
  if (!stale_ && picture_.size() == size && picture_.devicePixelRatio() == ratio) return picture_;
  if (picture_.size() != size) picture_ = QImage(size, QImage::Format_RGB32);
  picture_.setDevicePixelRatio(ratio);
  picture_.fill(Qt::white);
  const PixelGrid grid{size.width(), size.height(), static_cast<float>(unitsWide_),
                       static_cast<float>(unitsHigh_)};
  for (const Trace& trace : traces_) {
    // Colours are 0x00BBGGRR; the picture's pixels are 0xAARRGGBB.
    const QRgb ink =
        qRgb(trace.colour & 0xFF, (trace.colour >> 8) & 0xFF, (trace.colour >> 16) & 0xFF);
    uchar* const bits = picture_.bits();
    const qsizetype line = picture_.bytesPerLine();
    for (const PixelRun& run : traceRuns(trace, grid, tracingFor(trace, grid)))
      for (int row = run.top; row <= run.bottom; ++row)
        reinterpret_cast<QRgb*>(bits + row * line)[run.column] = ink;
  }
  stale_ = false;
  return picture_;
}

bool PlotView::savePicture(const std::string& path) {
  QSaveFile file(QString::fromStdString(path));
  return file.open(QIODevice::WriteOnly) && picture().save(&file, "PNG") && file.commit();
}

void PlotView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.drawImage(QPointF(0, 0), picture());
}

}  // namespace tarn
