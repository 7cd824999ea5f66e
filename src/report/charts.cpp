#include "report/charts.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <numbers>

#include "report/plot.h"
#include "report/raster.h"

namespace tarn {
namespace {

// The plot area inside the picture, room left for the scales.
constexpr int kLeft = 78, kRight = 36, kTop = 14, kBottom = 36;
constexpr int kPlotWidth = kChartWidth - kLeft - kRight,
              kPlotHeight = kChartHeight - kTop - kBottom;

struct Axis {
  double low, high;
  double at(double v, double length) const { return (v - low) / (high - low) * length; }
};

std::string_view colourOf(int channel) { return channel == 0 ? "#0000ff" : "#ff0000"; }
std::string barColourOf(int channel) { return channel == 0 ? "#a8b8f0" : "#f0b0a8"; }

// About `most` ticks at 1, 2 or 5 times a power of ten.
std::vector<double> ticksOf(const Axis& axis, int most, int& decimals) {
  const double raw = (axis.high - axis.low) / most;
  const double magnitude = std::pow(10, std::floor(std::log10(raw)));
  double step = magnitude;
  for (const double m : {2.0, 5.0, 10.0})
    if (step < raw) step = m * magnitude;
  decimals = std::max(0, static_cast<int>(-std::floor(std::log10(step) + 1e-9)));
  std::vector<double> ticks;
  for (double t = std::ceil(axis.low / step) * step; t <= axis.high + step * 1e-9; t += step)
    ticks.push_back(std::fabs(t) < step * 1e-9 ? 0 : t);
  return ticks;
}

// One picture, built element by element in the plot area's coordinates. A
// legend of named runs goes under it, a row a run.
class Chart {
 public:
  Chart(std::string_view title, std::string_view xTitle, std::string_view yTitle,
        std::span<const ChartSeries> legend = {}) {
    const int height =
        legend.empty() ? kChartHeight : kChartHeight + 6 + static_cast<int>(legend.size()) * 16;
    char head[512];
    std::snprintf(head, sizeof head,
                  "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 %d %d\" width=\"%d\" "
                  "height=\"%d\" role=\"img\" aria-label=\"%s\" font-family=\"sans-serif\" "
                  "font-size=\"11\"><title>%s</title>"
                  "<rect width=\"100%%\" height=\"100%%\" fill=\"#fff\"/>",
                  kChartWidth, height, kChartWidth, height, markupText(title).c_str(),
                  markupText(title).c_str());
    svg_ = head;
    svg_ += text(kLeft + kPlotWidth / 2.0, kChartHeight - 4, xTitle, "middle");
    svg_ += "<text transform=\"translate(12 " + std::to_string(kTop + kPlotHeight / 2) +
            ") rotate(-90)\" text-anchor=\"middle\">" + markupText(yTitle) + "</text>";
    for (size_t i = 0; i < legend.size(); ++i) {
      const int y = kChartHeight + 14 + static_cast<int>(i) * 16;
      svg_ += "<path d=\"M" + std::to_string(kLeft) + " " + std::to_string(y - 4) +
              "h24\" stroke=\"" + std::string(legend[i].colour) + "\" stroke-width=\"3\"/>";
      svg_ += text(kLeft + 30, y, legend[i].name, "start");
    }
    svg_ +=
        "<g transform=\"translate(" + std::to_string(kLeft) + " " + std::to_string(kTop) + ")\">";
  }

  static std::string n(double v) { return fixedNumber(v, 1); }
  static std::string text(double x, double y, std::string_view t, const char* anchor) {
    return "<text x=\"" + n(x) + "\" y=\"" + n(y) + "\" text-anchor=\"" + anchor + "\">" +
           markupText(t) + "</text>";
  }

  void xScale(const Axis& axis, const std::function<std::string(double, int)>& label,
              const std::vector<double>& given = {}) {
    int decimals = 0;
    for (const double t : given.empty() ? ticksOf(axis, 8, decimals) : given) {
      const double x = axis.at(t, kPlotWidth);
      svg_ +=
          "<path d=\"M" + n(x) + " 0V" + std::to_string(kPlotHeight) + "\" stroke=\"#e4e4e4\"/>";
      svg_ += text(x, kPlotHeight + 14, label(t, decimals), "middle");
    }
  }
  void yScale(const Axis& axis, const std::function<std::string(double, int)>& label,
              const std::vector<double>& given = {}) {
    int decimals = 0;
    for (const double t : given.empty() ? ticksOf(axis, 5, decimals) : given) {
      const double y = kPlotHeight - axis.at(t, kPlotHeight);
      svg_ += "<path d=\"M0 " + n(y) + "H" + std::to_string(kPlotWidth) + "\" stroke=\"#e4e4e4\"/>";
      svg_ += text(-4, y + 4, label(t, decimals), "end");
    }
  }
  // A curve of many points, one pixel wide, per pixel column.
  void curve(const Trace& trace, std::string_view colour) {
    const PixelGrid grid{kPlotWidth, kPlotHeight, kPlotWidth, kPlotHeight};
    std::string d;
    for (const PixelRun& r : traceRuns(trace, grid, tracingFor(trace, grid)))
      d += "M" + std::to_string(r.column) + ".5 " + std::to_string(r.top) + "v" +
           std::to_string(r.bottom - r.top + 1);
    svg_ += "<path d=\"" + d + "\" stroke=\"" + std::string(colour) +
            "\" fill=\"none\" shape-rendering=\"crispEdges\"/>";
  }
  void add(const std::string& element) { svg_ += element; }
  std::string done() {
    return svg_ + "<rect width=\"" + std::to_string(kPlotWidth) + "\" height=\"" +
           std::to_string(kPlotHeight) + "\" fill=\"none\" stroke=\"#555\"/></g></svg>";
  }

 private:
  std::string svg_;
};

std::string plainLabel(double v, int decimals) { return fixedNumber(v, decimals); }

// Whole decades from `low` to `high` (both above zero), one at least.
Axis decadesOf(double low, double high) {
  const double bottom = std::floor(std::log10(low) + 1e-9);
  return {bottom, std::max(bottom + 1, std::ceil(std::log10(high) - 1e-9))};
}

std::vector<double> decadeTicks(const Axis& axis) {
  std::vector<double> decades;
  for (double d = axis.low; d <= axis.high && decades.size() < 64; ++d) decades.push_back(d);
  return decades;
}

std::string decadeLabel(double d, int) {
  return fixedNumber(std::pow(10, d), d < 0 ? -static_cast<int>(d) : 0);
}

// The values' spread widened to `spread` about its middle, with a margin; a
// flat channel gets one of its own.
Axis valueAxis(const ChannelAnalysis& c, double spread) {
  const auto [low, high] = std::minmax_element(c.values.begin(), c.values.end());
  const double widen = (spread - (*high - *low)) / 2;
  const double margin = spread > 0 ? spread * 0.08 : (c.format == DataFormat::Binary ? 2 : 0.002);
  return {*low - widen - margin, *high + widen + margin};
}

// A channel alone, as its noise report draws it.
ChartSeries alone(const ChannelAnalysis& c) { return {c, "", colourOf(c.channel)}; }

bool comparesRuns(std::span<const ChartSeries> runs) {
  return runs.size() > 1 || !runs.front().name.empty();
}

std::string waveformOf(const ChartSeries& run, std::optional<double> rateHz,
                       std::optional<double> span) {
  const ChannelAnalysis& c = run.channel;
  const double last = static_cast<double>(c.values.size() - 1);
  const Axis x{0, std::max(1.0, rateHz ? last / *rateHz : last)};
  const auto [low, high] = std::minmax_element(c.values.begin(), c.values.end());
  const Axis y = valueAxis(c, span ? *span / run.scale : *high - *low);
  Chart chart("CH" + std::to_string(c.channel) + " waveform" +
                  (run.name.empty() ? "" : ", " + std::string(run.name)),
              rateHz ? "time (s)" : "record", c.unit());
  chart.xScale(x, plainLabel);
  chart.yScale(y, plainLabel);
  Trace trace{0, {}};
  trace.points.reserve(c.values.size());
  const double step = c.values.size() > 1 ? kPlotWidth / last : 0;
  for (size_t i = 0; i < c.values.size(); ++i)
    trace.points.push_back({static_cast<float>(static_cast<double>(i) * step),
                            static_cast<float>(kPlotHeight - y.at(c.values[i], kPlotHeight))});
  chart.curve(trace, run.colour);
  return chart.done();
}

}  // namespace

std::string markupText(std::string_view text) {
  std::string out;
  for (const char c : text) {
    switch (c) {
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '&':
        out += "&amp;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string_view runColour(size_t index) {
  constexpr std::string_view kColours[] = {"#1f5fb4", "#d62728", "#2ca02c", "#9467bd",
                                           "#ff7f0e", "#17becf", "#8c564b", "#e377c2",
                                           "#555555", "#bcbd22", "#000000", "#7fa8e0"};
  return kColours[index % std::size(kColours)];
}

std::string waveformSvg(const ChannelAnalysis& c, std::optional<double> rateHz) {
  return waveformOf(alone(c), rateHz, std::nullopt);
}

std::string waveformSvg(const ChartSeries& run, std::optional<double> rateHz, double span) {
  return waveformOf(run, rateHz, span);
}

std::string histogramSvg(const ChannelAnalysis& c) {
  const ChartSeries run = alone(c);
  return histogramSvg({&run, 1}, c.unit());
}

// One run: its counts, the bars filled and the normal curve of its mean and
// sd over them. Runs compared: each run's density about its own mean, in the
// picture's unit, its bars outlined and its normal curve in its colour.
std::string histogramSvg(std::span<const ChartSeries> runs, std::string_view unit) {
  const bool compared = comparesRuns(runs);
  const auto centre = [&](const ChartSeries& r) { return compared ? r.channel.figures.mean : 0; };
  const auto binWidth = [](const ChartSeries& r) { return r.channel.histogram.width * r.scale; };
  // The height of one value: 1 in counts, 1 / (n × bin width) in densities.
  const auto perValue = [&](const ChartSeries& r) {
    return compared ? 1 / (static_cast<double>(r.channel.figures.count) * binWidth(r)) : 1;
  };
  Axis x{0, 0};
  double top = 0;
  for (size_t i = 0; i < runs.size(); ++i) {
    const ChartSeries& r = runs[i];
    const Histogram& h = r.channel.histogram;
    const double left = (h.first - centre(r)) * r.scale;
    const double right = left + static_cast<double>(h.counts.size()) * binWidth(r);
    x = i == 0 ? Axis{left, right} : Axis{std::min(x.low, left), std::max(x.high, right)};
    const double tallest =
        static_cast<double>(*std::max_element(h.counts.begin(), h.counts.end())) * perValue(r);
    // The normal curve's peak may stand above the tallest bar.
    const double sd = r.channel.figures.sd * r.scale;
    const double total = static_cast<double>(r.channel.figures.count) * binWidth(r) * perValue(r);
    top = std::max({top, tallest, sd > 0 ? total / (sd * std::sqrt(2 * std::numbers::pi)) : 0});
  }
  const Axis y{0, top * 1.08};
  const int channel = runs.front().channel.channel;
  Chart chart("CH" + std::to_string(channel) + " histogram" + (compared ? "s compared" : ""),
              compared ? std::string(unit) + " from the run's mean" : std::string(unit),
              compared ? "density (1/" + std::string(unit) + ")" : "count",
              compared ? runs : std::span<const ChartSeries>());
  chart.xScale(x, plainLabel);
  chart.yScale(y, plainLabel);
  for (const ChartSeries& r : runs) {
    const Histogram& h = r.channel.histogram;
    const NoiseFigures& f = r.channel.figures;
    const auto bins = static_cast<double>(h.counts.size());
    const double x0 = compared ? x.at((h.first - centre(r)) * r.scale, kPlotWidth) : 0;
    const double barWidth =
        compared ? kPlotWidth * binWidth(r) / (x.high - x.low) : kPlotWidth / bins;
    std::string bars = compared ? "M" + Chart::n(x0) + " " + std::to_string(kPlotHeight) : "";
    for (size_t i = 0; i < h.counts.size(); ++i) {
      const double height = y.at(static_cast<double>(h.counts[i]) * perValue(r), kPlotHeight);
      const double at = x0 + static_cast<double>(i) * barWidth;
      if (compared)
        bars += "V" + Chart::n(kPlotHeight - height) + "H" + Chart::n(at + barWidth);
      else if (h.counts[i] != 0)
        bars += "M" + Chart::n(at) + " " + std::to_string(kPlotHeight) + "v-" + Chart::n(height) +
                "h" + Chart::n(barWidth) + "v" + Chart::n(height) + "z";
    }
    if (compared)
      chart.add("<path d=\"" + bars + "V" + std::to_string(kPlotHeight) +
                "\" fill=\"none\" stroke=\"" + std::string(r.colour) + "\"/>");
    else
      chart.add("<path d=\"" + bars + "\" fill=\"" + barColourOf(r.channel.channel) +
                "\" stroke=\"#fff\" stroke-width=\"0.3\"/>");
    if (f.sd <= 0) continue;
    const double total = static_cast<double>(f.count) * binWidth(r) * perValue(r);
    const double sd = f.sd * r.scale, mean = (f.mean - centre(r)) * r.scale;
    std::string points;
    for (int px = 0; px <= kPlotWidth; px += 2) {
      const double v = x.low + (x.high - x.low) * px / kPlotWidth;
      const double z = (v - mean) / sd;
      const double count = total * std::exp(-z * z / 2) / (sd * std::sqrt(2 * std::numbers::pi));
      points += std::to_string(px) + "," + Chart::n(kPlotHeight - y.at(count, kPlotHeight)) + " ";
    }
    chart.add("<polyline points=\"" + points + "\" fill=\"none\" stroke=\"" +
              std::string(compared ? r.colour : "#000") + "\" stroke-width=\"1.2\"/>");
  }
  return chart.done();
}

std::string spectrumSvg(const ChannelAnalysis& c) {
  const ChartSeries run = alone(c);
  return spectrumSvg({&run, 1}, c.unit());
}

// One run: its noise density dashed and its lines numbered over the curve.
std::string spectrumSvg(std::span<const ChartSeries> runs, std::string_view unit) {
  const bool compared = comparesRuns(runs);
  // From 0 to the highest frequency; decades from the lowest to the highest
  // density above DC.
  double last = 0, low = 0, high = 0;
  for (const ChartSeries& r : runs) {
    const Spectrum& s = *r.channel.spectrum;
    last = std::max(last, s.binHz * static_cast<double>(s.density.size() - 1));
    for (size_t k = 1; k < s.density.size(); ++k) {
      const double density = s.density[k] * r.scale;
      if (density <= 0) continue;
      low = low == 0 ? density : std::min(low, density);
      high = std::max(high, density);
    }
  }
  const Axis x{0, last};
  const double top = high > 0 ? std::ceil(std::log10(high) + 0.05) : 0;
  const Axis y{high > 0 ? std::min(std::floor(std::log10(low)), top - 1) : -3, top};
  const auto logY = [&](double density) {
    const double decade = density > 0 ? std::max(std::log10(density), y.low) : y.low;
    return kPlotHeight - y.at(decade, kPlotHeight);
  };
  const int channel = runs.front().channel.channel;
  Chart chart("CH" + std::to_string(channel) + (compared ? " spectra compared" : " spectrum"),
              "frequency (Hz)", std::string(unit) + "/√Hz",
              compared ? runs : std::span<const ChartSeries>());
  chart.xScale(x, plainLabel);
  chart.yScale(y, decadeLabel, decadeTicks(y));
  for (const ChartSeries& r : runs) {
    const Spectrum& s = *r.channel.spectrum;
    Trace trace{0, {}};
    for (size_t k = 1; k < s.density.size(); ++k)
      trace.points.push_back(
          {static_cast<float>(x.at(static_cast<double>(k) * s.binHz, kPlotWidth)),
           static_cast<float>(logY(s.density[k] * r.scale))});
    chart.curve(trace, r.colour);
  }
  if (!compared) {
    const Spectrum& s = *runs.front().channel.spectrum;
    const double floorY = logY(s.noiseDensity);
    // The dashed line over the curve, named in the corner where no curve hides it.
    const std::string dashes =
        "\" stroke=\"#00a000\" stroke-width=\"2\" stroke-dasharray=\"6 4\"/>";
    chart.add("<path d=\"M0 " + Chart::n(floorY) + "H" + std::to_string(kPlotWidth) + dashes);
    chart.add("<rect x=\"" + std::to_string(kPlotWidth - 124) +
              "\" y=\"4\" width=\"120\" height=\"16\" fill=\"#fff\" stroke=\"#ccc\"/>");
    chart.add("<path d=\"M" + std::to_string(kPlotWidth - 120) + " 12h24" + dashes);
    chart.add(Chart::text(kPlotWidth - 8, 16, "noise density", "end"));
    for (size_t i = 0; i < s.lines.size(); ++i) {
      const double lx = x.at(s.lines[i].hz, kPlotWidth);
      const auto k = static_cast<size_t>(std::lround(s.lines[i].hz / s.binHz));
      const double ly = logY(s.density[std::min(k, s.density.size() - 1)]);
      chart.add(Chart::text(lx, std::max(10.0, ly - 4), std::to_string(i + 1), "middle"));
    }
  }
  if (high == 0)
    chart.add(Chart::text(kPlotWidth / 2.0, kPlotHeight / 2.0, "the values do not vary", "middle"));
  return chart.done();
}

std::string secondsText(double seconds) {
  const int magnitude = seconds > 0 ? static_cast<int>(std::floor(std::log10(seconds) + 1e-9)) : 0;
  return fixedNumber(seconds, std::max(0, 2 - magnitude));
}

std::string allanLengthText(const AllanPoint& p) {
  const std::string m = "m = " + std::to_string(p.values);
  return p.seconds ? "τ = " + secondsText(*p.seconds) + " s (" + m + ")" : m;
}

std::string allanSvg(const ChannelAnalysis& c) {
  const std::vector<AllanPoint>& points = c.allan.points;
  const bool seconds = points.front().seconds.has_value();
  const auto along = [&](const AllanPoint& p) {
    return seconds ? *p.seconds : static_cast<double>(p.values);
  };
  const Axis x = decadesOf(along(points.front()), along(points.back()));
  // White noise falls as 1/√m from the first point; the scale holds it too.
  const double first = points.front().adev;
  const auto white = [&](const AllanPoint& p) {
    return first / std::sqrt(static_cast<double>(p.values));
  };
  double low = 0, high = 0;
  for (const AllanPoint& p : points)
    for (const double v : {p.adev, white(p)})
      if (v > 0) {
        low = low == 0 ? v : std::min(low, v);
        high = std::max(high, v);
      }
  const Axis y = high > 0 ? decadesOf(low, high) : Axis{-1, 0};
  const auto px = [&](double v) { return x.at(std::log10(v), kPlotWidth); };
  const auto py = [&](double v) {
    return kPlotHeight - y.at(v > 0 ? std::max(std::log10(v), y.low) : y.low, kPlotHeight);
  };
  Chart chart("CH" + std::to_string(c.channel) + " Allan deviation",
              seconds ? "averaging time τ (s)" : "averaging length m (values)",
              "Allan deviation (" + std::string(c.unit()) + ")");
  chart.xScale(x, decadeLabel, decadeTicks(x));
  chart.yScale(y, decadeLabel, decadeTicks(y));
  const std::string dashes = "\" stroke=\"#00a000\" stroke-width=\"2\" stroke-dasharray=\"6 4\"/>";
  if (first > 0)
    chart.add("<path d=\"M" + Chart::n(px(along(points.front()))) + " " + Chart::n(py(first)) +
              "L" + Chart::n(px(along(points.back()))) + " " + Chart::n(py(white(points.back()))) +
              dashes);
  std::string line, dots;
  for (const AllanPoint& p : points) {
    const std::string at = Chart::n(px(along(p))) + " " + Chart::n(py(p.adev));
    line += (line.empty() ? "M" : "L") + at;
    dots += "M" + at + "m-2.5 0a2.5 2.5 0 1 0 5 0a2.5 2.5 0 1 0-5 0";
  }
  const std::string colour(colourOf(c.channel));
  chart.add("<path d=\"" + line + "\" stroke=\"" + colour + "\" fill=\"none\"/><path d=\"" + dots +
            "\" fill=\"" + colour + "\"/>");
  chart.add("<rect x=\"" + std::to_string(kPlotWidth - 164) +
            "\" y=\"4\" width=\"160\" height=\"16\" fill=\"#fff\" stroke=\"#ccc\"/>");
  chart.add("<path d=\"M" + std::to_string(kPlotWidth - 160) + " 12h24" + dashes);
  chart.add(Chart::text(kPlotWidth - 8, 16, "white noise, slope −½", "end"));
  if (c.allan.turn) {
    const AllanPoint& t = points[*c.allan.turn];
    const double tx = px(along(t)), ty = py(t.adev);
    chart.add("<circle cx=\"" + Chart::n(tx) + "\" cy=\"" + Chart::n(ty) +
              "\" r=\"7\" fill=\"none\" stroke=\"#000\" stroke-width=\"1.5\"/>");
    chart.add(Chart::text(tx, ty < kPlotHeight - 30 ? ty + 22 : ty - 12,
                          "stops falling: " + allanLengthText(t),
                          tx > kPlotWidth / 2.0 ? "end" : "start"));
  }
  if (high == 0)
    chart.add(Chart::text(kPlotWidth / 2.0, kPlotHeight / 2.0, "the values do not vary", "middle"));
  return chart.done();
}

std::string rateNoiseSvg(std::span<const RateNoiseSeries> series, std::string_view unit) {
  // Each series' fastest point, which its white-noise line passes through.
  std::vector<const RateNoise*> fastest;
  double xLow = 0, xHigh = 0, yLow = 0, yHigh = 0;
  const auto widen = [](double& low, double& high, double v) {
    if (!(v > 0) || !std::isfinite(v)) return;
    low = low == 0 ? v : std::min(low, v);
    high = std::max(high, v);
  };
  for (const RateNoiseSeries& s : series) {
    const RateNoise* fast = nullptr;
    for (const RateNoise& p : s.points)
      if (p.rms > 0 && (!fast || p.hz > fast->hz)) fast = &p;
    fastest.push_back(fast);
    for (const RateNoise& p : s.points) {
      if (!(p.rms > 0)) continue;
      widen(xLow, xHigh, p.hz);
      for (const double v : {p.low, p.high, fast->rms * std::sqrt(p.hz / fast->hz)})
        widen(yLow, yHigh, v);
    }
  }
  // Whole decades, and a point on a decade not drawn on the frame.
  const double room = std::pow(10, 0.02);
  const Axis x = xHigh > 0 ? decadesOf(xLow / room, xHigh * room) : Axis{0, 1};
  const Axis y = yHigh > 0 ? decadesOf(yLow / room, yHigh * room) : Axis{-1, 0};
  Chart chart("rms noise against the rate", "rate (sps)", "rms noise (" + std::string(unit) + ")");
  chart.xScale(x, decadeLabel, decadeTicks(x));
  chart.yScale(y, decadeLabel, decadeTicks(y));
  const auto py = [&](double v) {
    return kPlotHeight - y.at(v > 0 ? std::max(std::log10(v), y.low) : y.low, kPlotHeight);
  };
  constexpr const char* dashes = "\" stroke-width=\"1.5\" stroke-dasharray=\"6 4\" fill=\"none\"/>";
  std::vector<std::pair<double, double>> drawn;  // the points' places
  for (size_t i = 0; i < series.size(); ++i) {
    if (!fastest[i]) continue;
    const RateNoise& fast = *fastest[i];
    // Two channels' points side by side, 3 pixels either side of their rate.
    const double shift = series.size() > 1 ? (i == 0 ? -3 : 3) : 0;
    const auto px = [&](double hz) { return x.at(std::log10(hz), kPlotWidth) + shift; };
    const int ch = series[i].channel;
    double slowest = fast.hz;
    std::string bars = "<path d=\"", dots;
    for (const RateNoise& p : series[i].points) {
      if (!(p.rms > 0)) continue;
      slowest = std::min(slowest, p.hz);
      drawn.emplace_back(px(p.hz), py(p.rms));
      const double top = py(p.high), bottom = py(p.low);
      bars += "M" + Chart::n(px(p.hz)) + " " + Chart::n(top) + "V" + Chart::n(bottom) +
              "m-3 0h6m-6 " + Chart::n(top - bottom) + "h6";
      dots += "<circle cx=\"" + Chart::n(px(p.hz)) + "\" cy=\"" + Chart::n(py(p.rms)) +
              "\" r=\"3\" fill=\"" + std::string(colourOf(ch)) + "\"/>";
    }
    chart.add("<path d=\"M" + Chart::n(px(slowest)) + " " +
              Chart::n(py(fast.rms * std::sqrt(slowest / fast.hz))) + "L" + Chart::n(px(fast.hz)) +
              " " + Chart::n(py(fast.rms)) + "\" stroke=\"" + std::string(colourOf(ch)) + dashes);
    chart.add(bars + "\" stroke=\"" + std::string(colourOf(ch)) + "\" fill=\"none\"/>");
    chart.add(dots);
  }
  // The legend, each channel's points and line, in the upper left corner (the
  // slow rates' low noise leaves it free) or in the lower right when fewer
  // points lie there.
  const double width = 200, height = 32.0 * static_cast<double>(series.size()) + 4;
  const auto inside = [&](double left, double top) {
    return std::count_if(drawn.begin(), drawn.end(), [&](const auto& p) {
      return p.first > left - 4 && p.first < left + width + 4 && p.second > top - 4 &&
             p.second < top + height + 4;
    });
  };
  const bool right = inside(kPlotWidth - width - 4, kPlotHeight - height - 4) < inside(4, 4);
  std::string legend =
      "<g transform=\"translate(" +
      (right ? Chart::n(kPlotWidth - width - 4) + " " + Chart::n(kPlotHeight - height - 4)
             : std::string("4 4")) +
      ")\"><rect width=\"" + Chart::n(width) + "\" height=\"" + Chart::n(height) +
      "\" fill=\"#fff\" stroke=\"#ccc\"/>";
  double middle = 10;
  for (const RateNoiseSeries& s : series) {
    const std::string ch = "CH" + std::to_string(s.channel);
    legend += "<path d=\"M18 " + Chart::n(middle - 6) + "v12m-3 0h6m-6-12h6\" stroke=\"" +
              std::string(colourOf(s.channel)) + "\"/><circle cx=\"18\" cy=\"" + Chart::n(middle) +
              "\" r=\"3\" fill=\"" + std::string(colourOf(s.channel)) + "\"/>" +
              Chart::text(40, middle + 4, ch + " rms noise, 95 % interval", "start");
    middle += 16;
    legend += "<path d=\"M6 " + Chart::n(middle) + "h24\" stroke=\"" +
              std::string(colourOf(s.channel)) + dashes +
              Chart::text(40, middle + 4, ch + " white noise: slope ½", "start");
    middle += 16;
  }
  chart.add(legend + "</g>");
  if (yHigh == 0)
    chart.add(Chart::text(kPlotWidth / 2.0, kPlotHeight / 2.0, "no rms noise above 0", "middle"));
  return chart.done();
}

}  // namespace tarn
