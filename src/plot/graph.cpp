#include <cmath>
#include <exception>
#include <limits>

#include "acquisition/sample_values.h"
#include "common/numbers.h"
#include "plot/plot_geometry.h"
#include "ui/form1.h"

namespace tarn {
namespace {

// A plot of one record divides the width by zero, which must give infinity.
static_assert(std::numeric_limits<double>::is_iec559);

// The extreme over the fields that are drawn; for both channels CH0's records
// come before CH1's.
int32_t plotExtreme(const Form1& form, Extreme which) {
  const int16_t mode = form.state.ChannelMode;
  if (mode < 0 || mode > 2) return 0;
  const int first = mode == 2 ? 0 : mode, last = mode == 2 ? 1 : mode;
  double running = extremeStart(form, which);
  for (int field = first; field <= last; ++field)
    running = fieldExtreme(form, field, which, running);
  return static_cast<int32_t>(running);
}

void drawTrace(Form1& form, int field, uint32_t colour, float step, float height,
               const PlotRange& range) {
  const FormState& s = form.state;
  if (s.SampleCount < 2) return;
  const auto y = [&](int32_t i) {
    return plotY(form.SampleValue(s.Samples.at(i).field[field]), height, range);
  };
  // Each point is computed once; neighbouring segments share it.
  float x1 = plotX(0, step), y1 = y(0);
  for (int32_t i = 1; i < s.SampleCount; ++i) {
    const float x2 = plotX(i, step), y2 = y(i);
    form.Picture1.Line(x1, y1, x2, y2, colour);
    x1 = x2;
    y1 = y2;
  }
}

}  // namespace

PlotRange plotRange(int32_t maximum, int32_t minimum) {
  const double high = maximum, low = minimum;
  const int32_t spread = toInt32(high - low);
  const int32_t centre = toInt32(roundHalfAway((high + low) / 2));
  // A flat or nearly flat signal still gets a margin of 2 each side.
  const int32_t top = spread <= 6 ? toInt32(high + 2) : toInt32(high + roundHalfAway(spread / 4.0));
  const int32_t bottom = toInt32(2.0 * centre - top);
  return {top, centre, bottom};
}

float plotStep(float width, int32_t count) {
  return static_cast<float>(static_cast<double>(width) / (static_cast<double>(count) - 1));
}

float plotX(int32_t i, float step) {
  return static_cast<float>(std::floor(static_cast<double>(i) * static_cast<double>(step) + 0.5));
}

float plotY(double value, float height, const PlotRange& range) {
  const double h = height;
  const double span = static_cast<double>(range.top) - range.bottom;
  return static_cast<float>(std::nearbyint(h - (value - range.bottom) * h / span));
}

std::string scaleLabel(int32_t value, bool binary) {
  return binary ? digitText(value) : fixedText(value / 1000.0, 3);
}

uint32_t Form1::TraceColor(int16_t n) const {
  switch (n) {
    case 1:
      return kTraceBlue;
    case 2:
      return kTraceRed;
    default:
      return kTraceBlack;
  }
}

int32_t Form1::PlotMaximum() const { return plotExtreme(*this, Extreme::Largest); }

int32_t Form1::PlotMinimum() const { return plotExtreme(*this, Extreme::Smallest); }

void Form1::Graph() {
  try {
    Picture1.Cls();
    const float step = plotStep(Picture1.Width(), state.SampleCount);
    const PlotRange range = plotRange(PlotMaximum(), PlotMinimum());
    const bool binary = Option1.value();
    Label3.setCaption(scaleLabel(range.top, binary));
    Label4.setCaption(scaleLabel(range.centre, binary));
    Label5.setCaption(scaleLabel(range.bottom, binary));
    const float height = Picture1.Height();
    switch (state.ChannelMode) {
      case 0:
      case 1:
        drawTrace(*this, state.ChannelMode, TraceColor(static_cast<int16_t>(state.ChannelMode + 1)),
                  step, height, range);
        break;
      case 2:
        // CH1 is drawn last, over CH0.
        drawTrace(*this, 0, TraceColor(1), step, height, range);
        drawTrace(*this, 1, TraceColor(2), step, height, range);
        break;
      default:
        break;
    }
  } catch (const std::exception&) {
    // The plot is a picture only: a failure leaves what was drawn so far and
    // says nothing.
  }
}

}  // namespace tarn
