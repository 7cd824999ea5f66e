#include "report/report.h"

#include "report/charts.h"

namespace tarn {
namespace {

constexpr const char* kStyle =
    "body{font-family:sans-serif;font-size:10.5pt;margin:1.5em auto;max-width:190mm;color:#111}"
    "h1{font-size:16pt;margin:0 0 .4em}h2{font-size:13pt;margin:1.2em 0 .4em}"
    "table{border-collapse:collapse;margin:.4em 0}"
    "td,th{border:1px solid #bbb;padding:2px 6px;text-align:left;vertical-align:top}"
    "td.v{text-align:right;font-variant-numeric:tabular-nums;white-space:nowrap}"
    "figure{margin:.6em 0;break-inside:avoid}figcaption{font-size:9pt;color:#444}"
    "svg{max-width:100%;height:auto}section+section{break-before:page}"
    "@page{size:A4;margin:12mm}";

// A figure's row; its value, the second cell, aligned as a number.
std::string row(std::initializer_list<std::string_view> cells) {
  std::string r = "<tr>";
  size_t i = 0;
  for (const std::string_view cell : cells)
    r += (i++ == 1 ? "<td class=\"v\">" : "<td>") + markupText(cell) + "</td>";
  return r + "</tr>";
}

// A row whose value is markup already.
std::string markupRow(std::string_view name, const std::string& value, std::string_view unit,
                      std::string_view formula) {
  return "<tr><td>" + markupText(name) + "</td><td class=\"v\">" + value + "</td><td>" +
         markupText(unit) + "</td><td>" + markupText(formula) + "</td></tr>";
}

// "<span>0.918</span> – <span>1.004</span>": each bound its own number.
std::string intervalCell(double low, double high, int decimals) {
  return "<span>" + fixedNumber(low, decimals) + "</span> – <span>" + fixedNumber(high, decimals) +
         "</span>";
}

constexpr const char* kIntervalFormula =
    "sd √(n / χ²(0.975; n − 1)) to sd √(n / χ²(0.025; n − 1)): assumes independent values of "
    "normal noise";

std::string headerTable(const ReportHeader& h) {
  std::string t = "<table>";
  for (const auto& [name, value] : headerRows(h))
    t += "<tr><th>" + markupText(name) + "</th><td>" + markupText(value) + "</td></tr>";
  return t + "</table>";
}

std::string rangeFormula(const ChannelAnalysis& c, std::string_view figure) {
  return std::string(figure) + " × " + fixedNumber(c.range->volts, 0) + " V / 2^24 (input range " +
         c.range->text + ")";
}

std::string spectrumMethod(const Spectrum& s) {
  return "median over f of √P(f); P: Welch, " + std::to_string(s.segments) +
         " segments of L = " + std::to_string(s.segmentLength) +
         " overlapped by half, Blackman-Harris window, bins of " + fixedNumber(s.binHz, 4) + " Hz";
}

std::string allanRow(const ChannelAnalysis& c) {
  const AllanDeviation& a = c.allan;
  constexpr const char* kName = "Allan deviation stops falling at";
  if (a.points.empty())
    return row({kName, "none", "", "needs " + std::to_string(kAllanMinimum) + " values at least"});
  const std::string rule = "the m of 1, 2, 4 … n/4 of the least ADEV, unless that is the last";
  if (!a.turn)
    return row({kName, "none", "",
                "least at the last m = " + std::to_string(a.points.back().values) + "; " + rule});
  const AllanPoint& p = a.points[*a.turn];
  const std::string m = "m = " + std::to_string(p.values) + ", ADEV " +
                        fixedNumber(p.adev, decimalsOf(c)) + " " + c.unit() + "; " + rule;
  if (!p.seconds) return row({kName, std::to_string(p.values), "values", m});
  return row({kName, secondsText(*p.seconds), "s", "τ = m / rate, " + m});
}

std::string figuresTable(const ChannelAnalysis& c) {
  const NoiseFigures& f = c.figures;
  const int d = decimalsOf(c);
  const std::string unit = c.unit();
  std::string t = "<table><tr><th>Figure</th><th>Value</th><th>Unit</th><th>Formula</th></tr>";
  t += row({"count", std::to_string(f.count), "records", "n"});
  t += row({"mean", fixedNumber(f.mean, d), unit, "m = Σx / n"});
  t += row({"rms noise", fixedNumber(f.sd, d), unit, "sd = √(Σ(x − m)² / n)"});
  if (const std::optional<double> uv = c.microvolts(f.sd))
    t += row({"rms noise", fixedNumber(*uv, kMicrovoltDecimals), "µV", rangeFormula(c, "sd")});
  if (c.sdCi95) {
    t += markupRow("rms noise, 95 % interval", intervalCell(c.sdCi95->low, c.sdCi95->high, d), unit,
                   kIntervalFormula);
    if (c.microvolts(1))
      t += markupRow("rms noise, 95 % interval",
                     intervalCell(*c.microvolts(c.sdCi95->low), *c.microvolts(c.sdCi95->high),
                                  kMicrovoltDecimals),
                     "µV", rangeFormula(c, "the interval"));
  } else {
    t += row({"rms noise, 95 % interval", "none", "", "needs 2 values at least"});
  }
  t += row({"peak-to-peak noise", fixedNumber(f.peakToPeak, c.format == DataFormat::Binary ? 0 : d),
            unit, "pp = max(x) − min(x)"});
  if (const std::optional<double> uv = c.microvolts(f.peakToPeak))
    t += row(
        {"peak-to-peak noise", fixedNumber(*uv, kMicrovoltDecimals), "µV", rangeFormula(c, "pp")});
  if (f.noiseFreeBits) {
    t += row({"noise-free bits", fixedNumber(*f.noiseFreeBits, 2), "bits",
              "log2(2^24 / pp), 24 at most"});
    t += row({"effective resolution", fixedNumber(*f.effectiveBits, 2), "bits",
              "log2(2^24 / sd), 24 at most"});
  }
  if (c.spectrum) {
    const double density = c.spectrum->noiseDensity;
    t += row({"noise density", fixedNumber(density, densityDecimalsOf(c)), unit + "/√Hz",
              spectrumMethod(*c.spectrum)});
    if (const std::optional<double> uv = c.microvolts(density))
      t += row({"noise density", fixedNumber(*uv, kMicrovoltDecimals), "µV/√Hz",
                rangeFormula(c, "density")});
  }
  t += allanRow(c);
  return t + "</table>";
}

std::string linesTable(const ChannelAnalysis& c) {
  if (c.spectrum->lines.empty())
    return "<p>No line stands " + fixedNumber(kLineFactor, 0) +
           " times the power of the noise floor around it.</p>";
  std::string t = "<table><tr><th>#</th><th>Frequency (Hz)</th><th>rms (" + std::string(c.unit()) +
                  ")</th>" + (c.microvolts(1) ? "<th>rms (µV)</th>" : "") + "<th>Source</th></tr>";
  for (size_t i = 0; i < c.spectrum->lines.size(); ++i) {
    const SpectralLine& l = c.spectrum->lines[i];
    t += "<tr><td>" + std::to_string(i + 1) + "</td><td class=\"v\">" +
         fixedNumber(l.hz, kHzDecimals) + "</td><td class=\"v\">" +
         fixedNumber(l.rms, decimalsOf(c)) + "</td>";
    if (const std::optional<double> uv = c.microvolts(l.rms))
      t += "<td class=\"v\">" + fixedNumber(*uv, kMicrovoltDecimals) + "</td>";
    t += "<td>" + markupText(mainsName(l)) + "</td></tr>";
  }
  return t + "</table>";
}

std::string figure(const std::string& svg, std::string_view caption) {
  return "<figure>" + svg + "<figcaption>" + markupText(caption) + "</figcaption></figure>";
}

std::string allanFigure(const ChannelAnalysis& c) {
  if (c.allan.points.empty())
    return "<p>No Allan deviation: fewer than " + std::to_string(kAllanMinimum) + " records.</p>";
  const std::string turn =
      c.allan.turn ? "It stops falling at " + allanLengthText(c.allan.points[*c.allan.turn]) +
                         ": averaging longer does not lower the noise."
                   : "Its least is at the longest length: averaging helps as far as this run "
                     "shows.";
  return figure(
      allanSvg(c),
      "Overlapping Allan deviation" +
          std::string(c.allan.points.front().seconds ? " against the averaging time"
                                                     : " against the averaging length") +
          "; the dashed line falls as white noise does (slope −½) from the first point. " + turn);
}

std::string channelSection(const ChannelAnalysis& c, const MeasurementSettings& s) {
  const std::optional<double> rateHz = rateHzOf(s.rateText);
  std::string out = "<section><h2>CH" + std::to_string(c.channel) + " (" +
                    markupText(kChannelNames[c.channel]) + ")</h2>" + figuresTable(c);
  out += figure(waveformSvg(c, rateHz), "Waveform: every record, drawn per pixel column.");
  out +=
      figure(histogramSvg(c),
             c.histogram.width == 1 && c.format == DataFormat::Binary
                 ? "Histogram: one bin per code; the curve is the normal distribution of m and sd."
                 : "Histogram: bins of " + fixedNumber(c.histogram.width, decimalsOf(c)) + " " +
                       c.unit() + "; the curve is the normal distribution of m and sd.");
  if (!c.spectrum) {
    out += "<p>No spectrum: " +
           std::string(rateHz ? "fewer than " + std::to_string(kSpectrumMinimum) + " records."
                              : "the rate \"" + markupText(s.rateText) + "\" names no frequency.") +
           "</p>";
  } else {
    out +=
        figure(spectrumSvg(c), "Amplitude spectral density; the dashed line is the noise density.");
    out += "<h3>Lines above the noise floor</h3>" + linesTable(c);
  }
  return out + allanFigure(c) + "</section>";
}

constexpr const char* kMethod =
    "<h2>How the figures are computed</h2><p>x are the n values of a channel: codes (0 to "
    "FFFFFF) for binary data, mV for mV data. Sums of codes are exact integers. A figure in µV is "
    "the figure in codes times the input range's span over 2^24 (5 V for ±2.5V, 10 V for ±5V).</p>"
    "<p>Spectrum: segments of L values (the largest power of two up to 4096 and up "
    "to a quarter of the values, 16 at least), each overlapping the one before by half, less its "
    "mean and "
    "multiplied by the 4-term Blackman-Harris window w(i) = 0.35875 − 0.48829 cos(2πi/L) + "
    "0.14128 cos(4πi/L) − 0.01168 cos(6πi/L). Per segment P(f) = 2 |FFT(w·x)(f)|² / (rate · "
    "Σw²), not doubled at 0 and at rate/2; P is averaged over the segments (Welch) and the density "
    "is √P. The noise density is the median of P above the window's DC lobe, divided by the "
    "median's bias (1 − 2/(9ν))³ with ν = 2 × segments, and its root. A line is a peak whose P "
    "stands at least 10 times the median P of the bins around it; its frequency is the P-weighted "
    "centre of its ±4 bins, its rms size √(Σ(P − floor) × bin width) over them. A line within 1 % "
    "(or 1.5 bins) of a multiple of 50 Hz or 60 Hz is named as mains.</p>"
    "<p>95 % interval of the rms noise: if the values are independent draws of normal noise of rms "
    "σ, n sd² / σ² follows the chi-square distribution with n − 1 degrees of freedom, so σ lies "
    "between sd √(n / χ²(0.975; n − 1)) and sd √(n / χ²(0.025; n − 1)) with 95 % confidence. "
    "Values that are not independent (drift, lines, noise that rises towards low frequencies) "
    "spread sd more widely than this interval says.</p>"
    "<p>Allan deviation (overlapping): with S the prefix sums of the values (S(0) = 0, S(k) = "
    "x(0) + … + x(k − 1)), ADEV(m)² = Σ (S(j + 2m) − 2 S(j + m) + S(j))² / (2 m² (n − 2m + 1)) "
    "over j = 0 … n − 2m: half the mean square difference of the means of every two adjacent runs "
    "of m values, for m = 1, 2, 4 … up to n/4, and τ = m / rate. White noise falls as 1 / √m, "
    "drift makes it rise. It stops falling at the m of the least ADEV (past it, no longer "
    "averaging lowers the noise); when that is the last m, it may fall further, and no turn is "
    "named. The longest lengths rest on a few runs only, so a turn there can be chance: white "
    "noise shows one in about 1 to 6 runs in 100, at the second-last length.</p>";

}  // namespace

std::vector<std::pair<std::string, std::string>> headerRows(const ReportHeader& h) {
  const MeasurementSettings& s = h.settings;
  const std::optional<InputRange> range = inputRangeOf(s.boardSettings);
  return {{"Board", std::string(h.boardName)},
          {"Board settings", s.boardSettings},
          {"Input range",
           range ? range->text + " (" + fixedNumber(range->volts, 0) + " V over 2^24 codes)"
                 : "not named by the settings"},
          {"Rate", s.rateText},
          {"Channels", s.channelText},
          {"Data", s.format == DataFormat::Binary ? "binary (24-bit codes)" : "mV"},
          {"Records", std::to_string(h.records)},
          {"Date", std::string(h.dateTime)}};
}

std::string_view reportStyle() { return kStyle; }
std::string_view reportMethod() { return kMethod; }

void checkReportable(std::span<const ChannelAnalysis> channels) {
  for (const ChannelAnalysis& c : channels)
    if (c.figures.count == 0 || c.values.empty())
      throw ReportError("CH" + std::to_string(c.channel) + " has no valid values");
  if (channels.empty()) throw ReportError("no channel was measured");
}

std::string reportSections(const ReportHeader& header, std::span<const ChannelAnalysis> channels) {
  checkReportable(channels);
  std::string sections = headerTable(header);
  for (const ChannelAnalysis& c : channels) sections += channelSection(c, header.settings);
  return sections;
}

std::string reportPage(std::string_view title, std::string_view body) {
  return "<!DOCTYPE html><html lang=\"en\"><head><meta charset=\"utf-8\"><title>" +
         markupText(title) + "</title><style>" + kStyle + "</style></head><body>" +
         std::string(body) + kMethod + "</body></html>\n";
}

std::string reportHtml(const ReportHeader& header, std::span<const ChannelAnalysis> channels) {
  const std::string sections = reportSections(header, channels);
  return reportPage("Noise report, " + std::string(header.dateTime),
                    "<h1>Noise report</h1>" + sections);
}

}  // namespace tarn
